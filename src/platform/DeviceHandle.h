#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/DiskRecords.h"
#include "platform/Failure.h"

namespace drivecopy {

// An open raw device (physical drive, partition, floppy, volume) or an
// ordinary file. Closing happens in the destructor. One position is shared by
// Read and Write, as with a file handle.
class DeviceHandle {
 public:
  virtual ~DeviceHandle() = default;

  // Positions the next Read or Write at a byte offset from the start.
  virtual Outcome<void> Seek(std::int64_t offset) = 0;

  // Reads up to buffer.size() bytes at the current position and advances it.
  // Returns the count read: 0 at the end, and a count below the request is a
  // short read that the caller must not take as the whole buffer. Any buffer
  // works; one aligned to PreferredAlignment() avoids a copy on direct I/O.
  virtual Outcome<std::size_t> Read(std::span<std::byte> buffer) = 0;

  // Writes all of data at the current position or fails.
  virtual Outcome<std::size_t> Write(std::span<const std::byte> data) = 0;

  // Brings everything written so far to stable storage.
  virtual Outcome<void> Flush() = 0;

  // Size of the file or device in bytes.
  virtual Outcome<std::int64_t> Size() = 0;

  // The three disk requests. nullopt means the request failed: not a disk
  // device, no medium, or (for the layout) more than 101 entries.
  virtual std::optional<PARTITION_INFORMATION> QueryPartitionInfo() = 0;
  virtual std::optional<DISK_GEOMETRY> QueryGeometry() = 0;
  virtual std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() = 0;

  // Buffer and offset alignment that lets reads go straight to the device.
  virtual std::size_t PreferredAlignment() const { return 1; }

  // False once the device behind the handle has gone away (unplugged): a
  // read that fails then is not a bad sector. Files and devices that cannot
  // tell answer true.
  virtual bool StillPresent() { return true; }
};

}  // namespace drivecopy
