#include "jobs/BlockSource.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "image/BlockRule.h"
#include "platform/Units.h"
#include "text/DetailTextsInForce.h"

namespace drivecopy {

namespace {

// Blocks fetched by one read: 2 MiB keeps system calls few and the parallel
// compressors busy while staying small next to the 32 MB output batch.
constexpr std::int64_t kGroupBlocks = 32;
constexpr std::size_t kGroupBytes = static_cast<std::size_t>(kGroupBlocks * BlockBytes);
// Multi-block reads kept ready ahead of the caller (4 MiB): enough to keep
// the device busy, as the image batches take most of the job's memory.
constexpr std::size_t kReadAheadDepth = 2;
constexpr std::size_t kSectorBytes = static_cast<std::size_t>(BytesPerSector);

// The 512-byte sectors in one logical sector of `device`, as its geometry
// tells (8 on a disk with 4096-byte sectors); 1 where it tells none, or a
// size that is no whole number of sectors dividing a block.
std::int64_t LogicalSectorsOf(DeviceHandle& device) {
  const auto geometry = device.QueryGeometry();
  if (!geometry) return 1;
  const auto bytes = static_cast<std::int64_t>(geometry->BytesPerSector);
  if (bytes < BytesPerSector || bytes % BytesPerSector != 0 || BlockBytes % bytes != 0) return 1;
  return bytes / BytesPerSector;
}

}  // namespace

BlockSource::BlockSource(DeviceHandle& device, std::int64_t firstSector, std::int64_t endSector,
                         std::function<void()> pump, std::function<bool()> stopRequested)
    : device_(device),
      firstSector_(firstSector),
      sectorCount_(std::max<std::int64_t>(0, endSector - firstSector)),
      blockCount_(drivecopy::BlockCount(sectorCount_)),
      pump_(std::move(pump)),
      stopRequested_(std::move(stopRequested)),
      logicalSectors_(LogicalSectorsOf(device)),
      single_(static_cast<std::size_t>(BlockBytes), device.PreferredAlignment()) {}

std::int64_t BlockSource::FirstSectorOf(std::int64_t index) const {
  return firstSector_ + BlockFirstSector(sectorCount_, index);
}

BlockSource::~BlockSource() { readAhead_.reset(); }

void BlockSource::NoteFailure(const Failure& error) {
  if (error.kind != FailureKind::DeviceGone) return;
  std::lock_guard<std::mutex> lock(lostMutex_);
  if (!lost_) lost_ = error;
}

std::optional<Failure> BlockSource::SourceLost() const {
  std::lock_guard<std::mutex> lock(lostMutex_);
  return lost_;
}

std::size_t BlockSource::ReadAt(std::int64_t sector, std::span<std::byte> into) {
  auto positioned = device_.Seek(sector * BytesPerSector);
  Pump();
  if (!positioned) {
    NoteFailure(positioned.error());
    return 0;
  }
  auto got = device_.Read(into);
  Pump();
  if (!got) {
    NoteFailure(got.error());
    return 0;
  }
  return std::min(*got, into.size());
}

std::int64_t BlockSource::GroupEnd(std::int64_t index) const {
  const std::int64_t wholeBlocks = sectorCount_ / BlockSectors;
  // The single-sector tail (fewer than 128 sectors) goes in one read as well.
  return index < wholeBlocks ? std::min(index + kGroupBlocks, wholeBlocks) : blockCount_;
}

std::int64_t BlockSource::GroupBlockBytes(std::int64_t index) const {
  return index < sectorCount_ / BlockSectors ? BlockBytes : BytesPerSector;
}

std::int64_t BlockSource::ReadGroup(std::int64_t index, AlignedBuffer& into) {
  // After a stop nothing more is read: on failing media each read may take seconds.
  if (stopSeen_) return 0;
  const std::int64_t blockBytes = GroupBlockBytes(index);
  const auto bytes = static_cast<std::size_t>((GroupEnd(index) - index) * blockBytes);
  if (auto positioned = device_.Seek(FirstSectorOf(index) * BytesPerSector); !positioned) {
    NoteFailure(positioned.error());
    return 0;
  }
  auto read = device_.Read(into.Span().first(bytes));
  if (!read) {
    NoteFailure(read.error());
    return 0;
  }
  return static_cast<std::int64_t>(std::min(*read, bytes)) / blockBytes;
}

void BlockSource::FillGroup(std::int64_t index) {
  if (!readAheadTried_) {
    readAheadTried_ = true;
    readAhead_ = std::make_unique<ReadAheadThread>(
        kGroupBytes, device_.PreferredAlignment(), kReadAheadDepth, index, blockCount_,
        [this](std::int64_t first, AlignedBuffer& into) { return ReadGroup(first, into); },
        [this](std::int64_t first) { return GroupEnd(first); });
    if (!readAhead_->Running()) readAhead_.reset();
  }
  std::int64_t good = 0;
  if (readAhead_) {
    const ReadAheadThread::Run run = readAhead_->Take(index);
    group_ = run.Buffer;
    good = run.Good;
  } else {
    if (ownGroup_.size() == 0) ownGroup_ = AlignedBuffer(kGroupBytes, device_.PreferredAlignment());
    good = ReadGroup(index, ownGroup_);
    group_ = &ownGroup_;
  }
  groupFirst_ = index;
  groupEnd_ = GroupEnd(index);
  groupGood_ = good;
}

std::optional<std::span<const std::byte>> BlockSource::ReadAhead(std::int64_t index) const {
  if (index < groupFirst_ || index >= groupFirst_ + groupGood_) return std::nullopt;
  const std::int64_t blockBytes = GroupBlockBytes(groupFirst_);
  return std::span<const std::byte>(group_->data() + (index - groupFirst_) * blockBytes,
                                    static_cast<std::size_t>(blockBytes));
}

std::int64_t BlockSource::LogicalSectorEnd(std::int64_t sector) const {
  return (sector / logicalSectors_ + 1) * logicalSectors_;
}

bool BlockSource::KnownUnreadable(std::int64_t sector, std::int64_t end) const {
  return failedRead_.FirstSector <= sector && end <= failedRead_.EndSector;
}

void BlockSource::NoteStop() {
  block_.Stopped = true;
  stopSeen_ = true;
}

void BlockSource::ReadBlockAlone(std::int64_t index) {
  std::unique_lock<std::mutex> deviceLock;  // keeps the read-ahead thread off the device
  if (readAhead_) deviceLock = readAhead_->DeviceLock();
  const std::int64_t first = FirstSectorOf(index);
  const std::int64_t end = first + BlockSectorCount(sectorCount_, index);
  const auto size = static_cast<std::size_t>((end - first) * BytesPerSector);
  std::span<std::byte> block = single_.Span().first(size);
  block_.Bytes = block;
  if (StopRequested()) {
    NoteStop();
    return;
  }

  std::int64_t goodSectors = 0;
  if (!KnownUnreadable(first, end)) {
    goodSectors = static_cast<std::int64_t>(ReadAt(first, block) / kSectorBytes);
    if (goodSectors == 0 && !SourceLost() && !device_.StillPresent()) {
      // Nothing came from a device that is no longer there: not bad sectors.
      NoteFailure(Failure::Because(Detail(&DetailTexts::strSDeviceNoLongerPresent), FailureKind::DeviceGone));
    }
    // A block within one logical sector (the single-sector tail) has had
    // the one try its sectors get.
    if (goodSectors == 0 && end <= LogicalSectorEnd(first)) failedRead_ = {first, LogicalSectorEnd(first)};
  }
  // What follows the last whole sector delivered is read again piece by
  // piece; a part sector is not trusted.
  std::memset(block.data() + goodSectors * BytesPerSector, 0,
              size - static_cast<std::size_t>(goodSectors * BytesPerSector));
  for (std::int64_t sector = first + goodSectors; sector < end && !SourceLost();) {
    const std::int64_t pieceEnd = std::min(end, LogicalSectorEnd(sector));
    const std::span<std::byte> piece =
        block.subspan(static_cast<std::size_t>((sector - first) * BytesPerSector),
                      static_cast<std::size_t>((pieceEnd - sector) * BytesPerSector));
    std::int64_t good = 0;
    if (!KnownUnreadable(sector, pieceEnd)) {
      if (StopRequested()) {
        NoteStop();
        return;
      }
      good = static_cast<std::int64_t>(ReadAt(sector, piece) / kSectorBytes);
      Pump();
      if (good == 0) failedRead_ = {sector, LogicalSectorEnd(sector)};
      if (good > 0) Pump();
    }
    if (sector + good < pieceEnd) {
      std::memset(piece.data() + good * BytesPerSector, 0,
                  piece.size() - static_cast<std::size_t>(good * BytesPerSector));
      block_.Unreadable.Add(SectorRange{sector + good, pieceEnd});
    }
    sector = pieceEnd;
  }
}

const SourceBlock& BlockSource::ReadBlock(std::int64_t index) {
  block_.Unreadable.Clear();
  block_.Stopped = false;
  if (SourceLost()) return block_;
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
