#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "image/ReadAheadThread.h"
#include "jobs/SectorRanges.h"
#include "platform/AlignedBuffer.h"
#include "platform/DeviceHandle.h"
#include "platform/SectorRange.h"

namespace drivecopy {

// One block of the source as the create job stores it.
struct SourceBlock {
  std::span<const std::byte> Bytes;  // the block; unreadable sectors are zeros
  SectorRanges Unreadable;           // its sectors that could not be read (absolute)
  // A stop came while the block was read piece by piece: it is not whole
  // and must not be stored; the job ends before it.
  bool Stopped = false;
};

// Reads a sector range block by block, cut by the block rule (128-sector
// blocks, then single sectors). For speed it reads many blocks in one aligned
// read; where such a read fails or comes back short it reads the blocks it
// did not get one by one, and where a block read fails or comes back short,
// the rest of that block one logical sector of the device at a time (512
// bytes, 4096 on a disk with 4096-byte sectors, which cannot read less). A
// count below the request is never taken as a good read: only sectors
// actually delivered are kept, and a logical sector that cannot be read on
// its own is zero-filled and reported with all its 512-byte sectors. Every
// read is preceded by a seek; a failed seek counts as a failed read.
//
// On failing media each of those reads may take seconds, so the stop flag
// is asked before each read of the fallback: a stop ends the block there
// (SourceBlock::Stopped) instead of after its last sector.
//
// A read that fails because the device went away (FailureKind::DeviceGone,
// or a block of which nothing could be read from a device that is no longer
// there) is not a bad sector: the source is then lost, nothing more is read,
// and the caller must end its job (SourceLost).
//
// While the caller works on one multi-block read, the next ones are already
// being read on a helper thread, so the device never waits for the caller.
// The device is used by one thread at a time: the caller's own reads (the
// fallbacks) wait until the read in flight is done.
class BlockSource {
 public:
  // `pump` runs around each single read (as the front end wants its events
  // handled while a slow device is read); `stopRequested` is the job's stop
  // flag. Either may be empty.
  BlockSource(DeviceHandle& device, std::int64_t firstSector, std::int64_t endSector,
              std::function<void()> pump, std::function<bool()> stopRequested = {});
  ~BlockSource();
  BlockSource(const BlockSource&) = delete;
  BlockSource& operator=(const BlockSource&) = delete;

  std::int64_t BlockCount() const { return blockCount_; }
  // First sector (absolute) of block `index`; FirstSectorOf(BlockCount()) is the end sector.
  std::int64_t FirstSectorOf(std::int64_t index) const;

  // Block `index`. Blocks must be asked for in ascending order. The bytes
  // stay valid until the next call.
  const SourceBlock& ReadBlock(std::int64_t index);

  // Block `index` when it has already been read whole as part of a larger
  // read, without touching the device; nullopt otherwise. Valid until the
  // next ReadBlock beyond the current read-ahead.
  std::optional<std::span<const std::byte>> ReadAhead(std::int64_t index) const;

  // Why the source went away, once it did; the block last returned is then
  // not the source's and must not be stored.
  std::optional<Failure> SourceLost() const;

 private:
  // Blocks [index, end) of one multi-block read, and the size of each.
  std::int64_t GroupEnd(std::int64_t index) const;
  std::int64_t GroupBlockBytes(std::int64_t index) const;
  // Reads blocks [index, GroupEnd(index)) into `into`; the count of leading
  // blocks that arrived whole.
  std::int64_t ReadGroup(std::int64_t index, AlignedBuffer& into);
  void FillGroup(std::int64_t index);
  void ReadBlockAlone(std::int64_t index);
  std::size_t ReadAt(std::int64_t sector, std::span<std::byte> into);
  void Pump() const {
    if (pump_) pump_();
  }
  bool StopRequested() const { return stopRequested_ && stopRequested_(); }
  // Ends the block in hand, and keeps the read-ahead thread from reading more.
  void NoteStop();
  // The sector after the logical sector that holds `sector`.
  std::int64_t LogicalSectorEnd(std::int64_t sector) const;
  // True when [sector, end) lies in the logical sector whose read failed last.
  bool KnownUnreadable(std::int64_t sector, std::int64_t end) const;
  // Records a failed read that means the device is gone.
  void NoteFailure(const Failure& error);

  DeviceHandle& device_;
  std::int64_t firstSector_;
  std::int64_t sectorCount_;
  std::int64_t blockCount_;
  std::function<void()> pump_;
  std::function<bool()> stopRequested_;
  std::atomic<bool> stopSeen_{false};  // asked by the read-ahead thread too
  std::int64_t logicalSectors_;        // 512-byte sectors in one of the device's logical sectors
  // The rest of the logical sector whose read failed last: the single-sector
  // tail does not read it again for each of its 512-byte sectors.
  SectorRange failedRead_;

  // The current multi-block read: blocks [groupFirst_, groupEnd_) of which
  // the leading groupGood_ arrived whole, in *group_ (a buffer of the
  // read-ahead thread, or ownGroup_ when there is no such thread).
  const AlignedBuffer* group_ = nullptr;
  AlignedBuffer ownGroup_;
  std::int64_t groupFirst_ = 0;
  std::int64_t groupEnd_ = 0;
  std::int64_t groupGood_ = 0;

  AlignedBuffer single_;  // one block read on its own, then sector by sector
  SourceBlock block_;

  mutable std::mutex lostMutex_;  // the read-ahead thread may find the loss
  std::optional<Failure> lost_;

  bool readAheadTried_ = false;
  std::unique_ptr<ReadAheadThread> readAhead_;  // stopped first by the destructor
};

}  // namespace drivecopy
