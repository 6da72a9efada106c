#include "restore_clone/BlockRunWriter.h"

#include <algorithm>

#include "disk/Units.h"
#include "restore_clone/SectorWriteRetry.h"

namespace drivecopy {

namespace {

constexpr auto RetryPieceBytes = static_cast<std::size_t>(BlockBytes);

void Append(std::vector<std::int64_t>& into, const std::vector<std::int64_t>& more) {
  into.insert(into.end(), more.begin(), more.end());
}

}  // namespace

BlockRunWriter::BlockRunWriter(DeviceHandle& device, std::int64_t destinationFirstSector,
                               std::size_t requestLimitBytes)
    : device_(device), destinationFirstSector_(destinationFirstSector), requestLimitBytes_(requestLimitBytes) {}

std::vector<std::int64_t> BlockRunWriter::Add(std::int64_t imageSector, std::span<const std::byte> block) {
  std::vector<std::int64_t> unwritable;
  const bool follows = gatheredBytes_ > 0 && block.data() == gathered_ + gatheredBytes_ &&
                       imageSector == gatheredSector_ + static_cast<std::int64_t>(gatheredBytes_) / BytesPerSector;
  if (gatheredBytes_ > 0 && (!follows || gatheredBytes_ + block.size() > requestLimitBytes_)) {
    unwritable = Write();
  }
  if (gatheredBytes_ == 0) {
    gatheredSector_ = imageSector;
    gathered_ = block.data();
  }
  gatheredBytes_ += block.size();
  if (gatheredBytes_ >= requestLimitBytes_) Append(unwritable, Write());
  return unwritable;
}

std::vector<std::int64_t> BlockRunWriter::Write() {
  std::vector<std::int64_t> unwritable;
  if (gatheredBytes_ == 0) return unwritable;
  const std::span<const std::byte> data(gathered_, gatheredBytes_);
  const std::int64_t firstSector = gatheredSector_;
  gatheredBytes_ = 0;
  gathered_ = nullptr;

  auto named = [&](std::size_t pieceOffset, const std::vector<std::int64_t>& indices) {
    for (std::int64_t index : indices) {
      unwritable.push_back(firstSector + static_cast<std::int64_t>(pieceOffset) / BytesPerSector + index);
    }
  };
  if (data.size() <= RetryPieceBytes) {
    named(0, WriteSectorsWithRetry(device_, destinationFirstSector_ + firstSector, data));
    return unwritable;
  }
  if (device_.Seek((destinationFirstSector_ + firstSector) * BytesPerSector)) {
    auto written = device_.Write(data);
    if (written && *written == data.size()) return unwritable;
  }
  for (std::size_t offset = 0; offset < data.size(); offset += RetryPieceBytes) {
    const auto piece = data.subspan(offset, std::min(RetryPieceBytes, data.size() - offset));
    named(offset, WriteSectorsWithRetry(
                      device_, destinationFirstSector_ + firstSector + static_cast<std::int64_t>(offset) / BytesPerSector,
                      piece));
  }
  return unwritable;
}

}  // namespace drivecopy
