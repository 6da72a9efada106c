#include "imaging/BlockSource.h"

#include <algorithm>
#include <cstring>

#include "disk/Units.h"
#include "imaging/BlockRule.h"

namespace drivecopy {

namespace {

// Blocks fetched by one read: 2 MiB keeps system calls few and the parallel
// compressors busy while staying small next to the 32 MB output batch.
constexpr std::int64_t kGroupBlocks = 32;
constexpr std::size_t kGroupBytes = static_cast<std::size_t>(kGroupBlocks * BlockBytes);
constexpr std::size_t kSectorBytes = static_cast<std::size_t>(BytesPerSector);

}  // namespace

BlockSource::BlockSource(DeviceHandle& device, std::int64_t firstSector, std::int64_t endSector,
                         std::function<void()> pump)
    : device_(device),
      firstSector_(firstSector),
      sectorCount_(std::max<std::int64_t>(0, endSector - firstSector)),
      blockCount_(drivecopy::BlockCount(sectorCount_)),
      pump_(std::move(pump)),
      single_(static_cast<std::size_t>(BlockBytes), device.PreferredAlignment()) {}

std::int64_t BlockSource::FirstSectorOf(std::int64_t index) const {
  return firstSector_ + BlockFirstSector(sectorCount_, index);
}

std::size_t BlockSource::ReadAt(std::int64_t sector, std::span<std::byte> into) {
  const bool positioned = device_.Seek(sector * BytesPerSector).ok();
  Pump();
  if (!positioned) return 0;
  auto got = device_.Read(into);
  Pump();
  return got.ok() ? std::min(*got, into.size()) : 0;
}

void BlockSource::FillGroup(std::int64_t index) {
  const std::int64_t wholeBlocks = sectorCount_ / BlockSectors;
  std::int64_t end = 0;
  std::int64_t blockBytes = 0;
  if (index < wholeBlocks) {
    end = std::min(index + kGroupBlocks, wholeBlocks);
    blockBytes = BlockBytes;
  } else {
    // The single-sector tail (fewer than 128 sectors) in one read as well.
    end = blockCount_;
    blockBytes = BytesPerSector;
  }
  if (group_.size() == 0) group_ = AlignedBuffer(kGroupBytes, device_.PreferredAlignment());
  const auto bytes = static_cast<std::size_t>((end - index) * blockBytes);
  const bool positioned = device_.Seek(FirstSectorOf(index) * BytesPerSector).ok();
  std::size_t got = 0;
  if (positioned) {
    auto read = device_.Read(group_.Span().first(bytes));
    if (read.ok()) got = std::min(*read, bytes);
  }
  groupFirst_ = index;
  groupEnd_ = end;
  groupGood_ = static_cast<std::int64_t>(got) / blockBytes;
}

std::optional<std::span<const std::byte>> BlockSource::ReadAhead(std::int64_t index) const {
  if (index < groupFirst_ || index >= groupFirst_ + groupGood_) return std::nullopt;
  const std::int64_t wholeBlocks = sectorCount_ / BlockSectors;
  const std::int64_t blockBytes = groupFirst_ < wholeBlocks ? BlockBytes : BytesPerSector;
  return std::span<const std::byte>(group_.data() + (index - groupFirst_) * blockBytes,
                                    static_cast<std::size_t>(blockBytes));
}

void BlockSource::ReadBlockAlone(std::int64_t index) {
  const std::int64_t first = FirstSectorOf(index);
  const std::int64_t sectors = BlockSectorCount(sectorCount_, index);
  const auto size = static_cast<std::size_t>(sectors * BytesPerSector);
  std::span<std::byte> block = single_.Span().first(size);

  const std::size_t got = ReadAt(first, block);
  const auto goodSectors = static_cast<std::int64_t>(got / kSectorBytes);
  // What follows the last whole sector delivered is read again sector by
  // sector; a part sector is not trusted.
  std::memset(block.data() + goodSectors * BytesPerSector, 0,
              size - static_cast<std::size_t>(goodSectors * BytesPerSector));
  for (std::int64_t k = goodSectors; k < sectors; ++k) {
    std::span<std::byte> sector = block.subspan(static_cast<std::size_t>(k * BytesPerSector), kSectorBytes);
    const std::size_t one = ReadAt(first + k, sector);
    Pump();
    if (one < kSectorBytes) {
      std::memset(sector.data(), 0, kSectorBytes);
      block_.UnreadableSectors.push_back(first + k);
    } else {
      Pump();
    }
  }
  block_.Bytes = block;
}

const SourceBlock& BlockSource::ReadBlock(std::int64_t index) {
  block_.UnreadableSectors.clear();
  if (index < groupFirst_ || index >= groupEnd_) FillGroup(index);
  if (auto ahead = ReadAhead(index)) {
    // Read with its neighbours; the front end still gets its turns as if
    // this block had been positioned and read alone.
    Pump();
    Pump();
    block_.Bytes = *ahead;
  } else {
    ReadBlockAlone(index);
  }
  return block_;
}

}  // namespace drivecopy
