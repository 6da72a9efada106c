#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/DeviceHandle.h"

namespace drivecopy::test_support {

// A DeviceHandle over bytes in memory, for unit tests of code that reads and
// writes image files. Writes past the end grow it; the disk requests fail as
// they do on an ordinary file. Faults are switched on by the public fields.
class MemoryDevice : public DeviceHandle {
 public:
  MemoryDevice() = default;
  explicit MemoryDevice(std::vector<std::byte> bytes) : Bytes(std::move(bytes)) {}

  std::vector<std::byte> Bytes;
  // Writes that would make the device larger than this fail with "No space
  // left on device" (errno 28), writing nothing.
  std::optional<std::size_t> Capacity;
  // Each Read returns at most this many bytes (to exercise short reads).
  std::optional<std::size_t> ReadPieceLimit;
  bool FailFlush = false;
  int Flushes = 0;

  Outcome<void> Seek(std::int64_t offset) override;
  Outcome<std::size_t> Read(std::span<std::byte> buffer) override;
  Outcome<std::size_t> Write(std::span<const std::byte> data) override;
  Outcome<void> Flush() override;
  Outcome<std::int64_t> Size() override;
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return std::nullopt; }
  std::optional<DISK_GEOMETRY> QueryGeometry() override { return std::nullopt; }
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return std::nullopt; }

  std::int64_t Position() const { return static_cast<std::int64_t>(position_); }

 private:
  std::size_t position_ = 0;
};

}  // namespace drivecopy::test_support
