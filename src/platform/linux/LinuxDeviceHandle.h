#pragma once
#include <memory>
#include <string>

#include "platform/DeviceHandle.h"
#include "platform/Platform.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {

// Opens a regular file or a block device; any other path (a named pipe, a
// character device, a directory, a socket) is refused before it is opened,
// with a text that says what it is, so that an open never waits. Block
// devices are opened for direct I/O where the device allows it, so that a
// read never comes from (or is spoiled by) the page cache; such a handle
// still takes any buffer, offset and length and goes through an aligned
// bounce buffer when needed.
// CreateAlways makes or empties a regular file only: never through a
// symbolic link, never a device, pipe or folder. A regular file opened to
// be read is refused while another job holds it locked for writing (see
// DeviceClaim.h). ReadUncached also opens a regular file for direct I/O
// where its file system takes it (otherwise buffered, after dropping the
// file's clean cached pages), and takes no lock.
Outcome<std::unique_ptr<DeviceHandle>> OpenLinuxDevice(const std::string& path, OpenMode mode);

class LinuxDeviceHandle final : public DeviceHandle {
 public:
  // directAlignment: the alignment direct I/O needs when fd was opened with
  // O_DIRECT (a device's logical block size), 0 for buffered I/O.
  LinuxDeviceHandle(UniqueFd fd, std::string path, bool isBlockDevice, std::size_t directAlignment);

  Outcome<void> Seek(std::int64_t offset) override;
  Outcome<std::size_t> Read(std::span<std::byte> buffer) override;
  Outcome<std::size_t> Write(std::span<const std::byte> data) override;
  Outcome<void> Flush() override;
  Outcome<std::int64_t> Size() override;
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override;
  std::optional<DISK_GEOMETRY> QueryGeometry() override;
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override;
  std::size_t PreferredAlignment() const override;
  bool StillPresent() override;

 private:
  bool GoesStraightToDevice(const void* memory, std::int64_t offset, std::size_t length) const;
  Outcome<std::size_t> ReadThroughBounceBuffer(std::span<std::byte> buffer);
  Outcome<void> WriteThroughBounceBuffer(std::span<const std::byte> data);

  UniqueFd fd_;
  std::string path_;
  bool isBlockDevice_;
  std::size_t directAlignment_;
  std::int64_t position_ = 0;
};

}  // namespace drivecopy::linux_backend
