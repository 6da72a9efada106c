#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/DeviceHandle.h"
#include "platform/sim/SimulatedMedium.h"

namespace drivecopy::sim {

// What the three disk requests answer on a handle; nullopt = the request fails.
struct DiskAnswers {
  std::optional<PARTITION_INFORMATION> PartitionInfo;
  std::optional<DISK_GEOMETRY> Geometry;
  std::optional<DRIVE_LAYOUT_INFORMATION> Layout;
};

// A raw-device handle on a byte window of a medium: the whole medium for a
// physical drive or floppy, the partition's range for a volume (offsets are
// then relative to the partition start, while damaged sectors keep their
// numbers on the medium).
class MediumHandle final : public DeviceHandle {
 public:
  MediumHandle(std::shared_ptr<SimulatedMedium> medium, std::int64_t windowStart, std::int64_t windowLength,
               bool writable, DiskAnswers answers);

  Outcome<void> Seek(std::int64_t offset) override;
  // A read that covers an unreadable sector fails with "Data error (cyclic
  // redundancy check)." and reads nothing; on a medium with short reads it
  // returns the bytes before that sector instead, when there are any.
  Outcome<std::size_t> Read(std::span<std::byte> buffer) override;
  // A write that covers an unwritable sector, or runs past the end, fails and
  // writes nothing. The medium's lost-write sectors keep their bytes while
  // the write reports success.
  Outcome<std::size_t> Write(std::span<const std::byte> data) override;
  Outcome<void> Flush() override;
  Outcome<std::int64_t> Size() override;
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return answers_.PartitionInfo; }
  std::optional<DISK_GEOMETRY> QueryGeometry() override { return answers_.Geometry; }
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return answers_.Layout; }
  bool StillPresent() override { return medium_->Present && !medium_->Gone; }

 private:
  // True (and the medium gone from then on) when a transfer of `count`
  // bytes from medium offset `begin` reaches the sector where it goes away.
  bool GoesAway(std::int64_t begin, std::int64_t count);

  std::shared_ptr<SimulatedMedium> medium_;
  std::int64_t windowStart_;
  std::int64_t windowLength_;
  bool writable_;
  DiskAnswers answers_;
  std::int64_t position_ = 0;
};

}  // namespace drivecopy::sim
