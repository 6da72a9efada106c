#include "jobs/BlockRunWriter.h"

#include <algorithm>

#include "jobs/SectorWriteRetry.h"
#include "platform/Units.h"

namespace drivecopy {

namespace {

constexpr auto RetryPieceBytes = static_cast<std::size_t>(BlockBytes);

}  // namespace

BlockRunWriter::BlockRunWriter(DeviceHandle& device, std::int64_t destinationFirstSector,
                               std::size_t requestLimitBytes)
    : device_(device),
      destinationFirstSector_(destinationFirstSector),
      requestLimitBytes_(requestLimitBytes) {}

WriteReport BlockRunWriter::Add(std::int64_t imageSector, std::span<const std::byte> block) {
  WriteReport report;
  const bool follows =
      gatheredBytes_ > 0 && block.data() == gathered_ + gatheredBytes_ &&
      imageSector == gatheredSector_ + static_cast<std::int64_t>(gatheredBytes_) / BytesPerSector;
  if (gatheredBytes_ > 0 && (!follows || gatheredBytes_ + block.size() > requestLimitBytes_)) {
    report = Write();
    if (report.Stopped()) return report;
  }
  if (gatheredBytes_ == 0) {
    gatheredSector_ = imageSector;
    gathered_ = block.data();
  }
  gatheredBytes_ += block.size();
  if (gatheredBytes_ >= requestLimitBytes_) report.Take(Write());
  return report;
}

WriteReport BlockRunWriter::Write() {
  WriteReport report;
  if (gatheredBytes_ == 0) return report;
  const std::span<const std::byte> data(gathered_, gatheredBytes_);
  const std::int64_t firstSector = gatheredSector_;
  gatheredBytes_ = 0;
  gathered_ = nullptr;
  report.CoveredEnd = firstSector + static_cast<std::int64_t>(data.size()) / BytesPerSector;

  // Takes a piece's report, whose sectors count from the piece's start.
  auto take = [&](std::size_t pieceOffset, WriteReport piece) {
    piece.Shift(firstSector + static_cast<std::int64_t>(pieceOffset) / BytesPerSector);
    report.Take(piece);
  };
  if (data.size() <= RetryPieceBytes) {
    take(0, WriteSectorsWithRetry(device_, destinationFirstSector_ + firstSector, data));
    return report;
  }
  auto failure = WriteRequest(device_, destinationFirstSector_ + firstSector, data);
  if (!failure) return report;
  if (!CostsOnlyTheseSectors(*failure)) {
    report.Stop = std::move(failure);
    report.StopSector = firstSector;
    return report;
  }
  for (std::size_t offset = 0; offset < data.size() && !report.Stopped(); offset += RetryPieceBytes) {
    const auto piece = data.subspan(offset, std::min(RetryPieceBytes, data.size() - offset));
    take(offset, WriteSectorsWithRetry(device_,
                                       destinationFirstSector_ + firstSector +
                                           static_cast<std::int64_t>(offset) / BytesPerSector,
                                       piece));
  }
  return report;
}

}  // namespace drivecopy
