#include "platform/linux/LinuxDeviceHandle.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/AlignedBuffer.h"
#include "platform/FileTypeCheck.h"
#include "platform/linux/DiskRequests.h"
#include "platform/linux/ErrnoError.h"

namespace drivecopy::linux_backend {
namespace {

// Largest piece moved through the bounce buffer at once.
constexpr std::size_t kBounceChunk = 1 << 20;

// pread and pwrite, repeated when a signal interrupts them.
ssize_t ReadAt(int fd, void* memory, std::size_t length, std::int64_t offset) {
  ssize_t got;
  do got = ::pread(fd, memory, length, static_cast<off_t>(offset));
  while (got < 0 && errno == EINTR);
  return got;
}

// Writes all of length or reports the errno that stopped it.
int WriteAllAt(int fd, const std::byte* memory, std::size_t length, std::int64_t offset) {
  std::size_t written = 0;
  while (written < length) {
    ssize_t put = ::pwrite(fd, memory + written, length - written,
                           static_cast<off_t>(offset) + static_cast<off_t>(written));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return ENOSPC;
    written += static_cast<std::size_t>(put);
  }
  return 0;
}

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
    case OpenMode::ReadUncached:
      return O_RDONLY;
    case OpenMode::ReadWrite:
      return O_RDWR;
    // Never through a link; the file is emptied only once it is known to be one.
    case OpenMode::CreateAlways:
      return O_RDWR | O_CREAT | O_NOFOLLOW;
  }
  return O_RDONLY;
}

// The refusal of a path that is neither a regular file nor a block device.
Failure NotAFileOrBlockDevice(mode_t mode) {
  return Failure::OfSystemCall(S_ISDIR(mode) ? EISDIR : EINVAL,
                               NotARegularFileOrBlockDevice(FileTypeOfMode(mode)));
}

Failure NotARegularFile() {
  return Failure::OfSystemCall(
             EEXIST,
             "it exists and is not a regular file (a device, folder, pipe or link), so it is not replaced")
      .Naming(BackendReason::ExistsNotRegularFile);
}

std::size_t LogicalBlockSize(int fd) {
  int size = 0;
  if (::ioctl(fd, BLKSSZGET, &size) != 0 || size < 512) return 512;
  return static_cast<std::size_t>(size);
}

// The alignment direct reads of a regular file keep to: the file system's
// block size, at least 4096 bytes, which every file system that takes direct
// I/O accepts (the device's logical block size divides it).
std::size_t FileDirectAlignment(const struct stat& status) {
  const auto block = static_cast<std::size_t>(status.st_blksize);
  const bool usable = block > 4096 && block <= (std::size_t{1} << 20) && (block & (block - 1)) == 0;
  return usable ? block : 4096;
}

// A regular file read back past the page cache: opened for direct I/O where
// its file system allows it (then cached pages are never read); elsewhere
// buffered, with the file's clean cached pages dropped first, so that the
// reads go to the storage below (a file system that keeps its files in
// memory, as tmpfs does, has nothing below).
Outcome<UniqueFd> OpenFileUncached(const std::string& path, bool& direct) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_DIRECT));
  direct = fd.Valid();
  if (!fd.Valid() && errno != EINVAL) return ErrnoError(errno);
  if (!fd.Valid()) {
    fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid()) return ErrnoError(errno);
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_DONTNEED);
  }
  return fd;
}

}  // namespace

Outcome<std::unique_ptr<DeviceHandle>> OpenLinuxDevice(const std::string& path, OpenMode mode) {
  if (path.empty()) return ErrnoError(ENOENT);
  struct stat before {};
  if (mode == OpenMode::CreateAlways) {
    if (::lstat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) return NotARegularFile();
  } else {
    // What is not a file or a block device is refused before it is opened:
    // opening a named pipe waits for a writer, and a character device may
    // act on being opened.
    if (::stat(path.c_str(), &before) != 0) return ErrnoError(errno);
    if (!S_ISREG(before.st_mode) && !S_ISBLK(before.st_mode)) return NotAFileOrBlockDevice(before.st_mode);
  }
  const bool looksLikeBlockDevice = mode != OpenMode::CreateAlways && S_ISBLK(before.st_mode);

  bool direct = false;
  UniqueFd fd;
  const int flags = OpenFlags(mode) | O_CLOEXEC;
  if (looksLikeBlockDevice) {
    // Without O_NONBLOCK: with it a floppy or optical drive opens even
    // without a medium, which must show as a failed open.
    fd.Reset(::open(path.c_str(), flags | O_DIRECT));
    direct = fd.Valid();
    // Some block devices refuse direct I/O; buffered access still works there.
    if (!fd.Valid() && errno != EINVAL) return BlockDeviceOpenError(errno);
    if (!fd.Valid()) fd.Reset(::open(path.c_str(), flags));
    if (!fd.Valid()) return BlockDeviceOpenError(errno);
    // Read back through the cache after all: its clean pages go first.
    if (!direct && mode == OpenMode::ReadUncached) ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_DONTNEED);
  } else if (mode == OpenMode::ReadUncached) {
    auto opened = OpenFileUncached(path, direct);
    if (!opened) return opened.error();
    fd = std::move(*opened);
  } else {
    // O_NONBLOCK: a file that became a named pipe since the look above is
    // opened without waiting, and refused below.
    fd.Reset(::open(path.c_str(), flags | O_NONBLOCK, 0644));
  }
  if (!fd.Valid()) return ErrnoError(errno);

  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0) return ErrnoError(errno);
  const bool isBlockDevice = S_ISBLK(status.st_mode);
  if (mode == OpenMode::CreateAlways) {
    if (!S_ISREG(status.st_mode)) return NotARegularFile();
    if (::ftruncate(fd.Get(), 0) != 0) return ErrnoError(errno);
  }
  if (!S_ISREG(status.st_mode) && !isBlockDevice) return NotAFileOrBlockDevice(status.st_mode);
  if (!looksLikeBlockDevice) {
    const int descriptorFlags = ::fcntl(fd.Get(), F_GETFL);
    if (descriptorFlags < 0 || ::fcntl(fd.Get(), F_SETFL, descriptorFlags & ~O_NONBLOCK) != 0)
      return ErrnoError(errno);
  }
  if (mode == OpenMode::Read && S_ISREG(status.st_mode) && ::flock(fd.Get(), LOCK_SH | LOCK_NB) != 0 &&
      errno == EWOULDBLOCK) {
    // An image another job is writing (it holds the file locked) is not yet what it will be.
    return Failure::OfSystemCall(EBUSY, "another program is writing it").Naming(BackendReason::AnotherWriter);
  }
  std::size_t alignment = 0;
  if (direct) alignment = isBlockDevice ? LogicalBlockSize(fd.Get()) : FileDirectAlignment(status);
  return std::unique_ptr<DeviceHandle>(
      std::make_unique<LinuxDeviceHandle>(std::move(fd), path, isBlockDevice, alignment));
}

LinuxDeviceHandle::LinuxDeviceHandle(UniqueFd fd, std::string path, bool isBlockDevice,
                                     std::size_t directAlignment)
    : fd_(std::move(fd)),
      path_(std::move(path)),
      isBlockDevice_(isBlockDevice),
      directAlignment_(directAlignment) {}

Outcome<void> LinuxDeviceHandle::Seek(std::int64_t offset) {
  if (offset < 0) return ErrnoError(EINVAL);
  position_ = offset;
  return {};
}

bool LinuxDeviceHandle::GoesStraightToDevice(const void* memory, std::int64_t offset,
                                             std::size_t length) const {
  if (directAlignment_ == 0) return true;
  const auto alignment = directAlignment_;
  return reinterpret_cast<std::uintptr_t>(memory) % alignment == 0 &&
         static_cast<std::uint64_t>(offset) % alignment == 0 && length % alignment == 0;
}

Outcome<std::size_t> LinuxDeviceHandle::Read(std::span<std::byte> buffer) {
  if (buffer.empty()) return std::size_t{0};
  if (!GoesStraightToDevice(buffer.data(), position_, buffer.size())) return ReadThroughBounceBuffer(buffer);
  ssize_t got = ReadAt(fd_.Get(), buffer.data(), buffer.size(), position_);
  if (got < 0) return ErrnoError(errno);
  // A short count is passed on as it is: the caller decides what the
  // missing part means (end of device or an unreadable sector).
  position_ += got;
  return static_cast<std::size_t>(got);
}

Outcome<std::size_t> LinuxDeviceHandle::ReadThroughBounceBuffer(std::span<std::byte> buffer) {
  const std::size_t alignment = directAlignment_;
  const AlignedBuffer bounce = AlignedBuffer::TryAllocate(kBounceChunk + 2 * alignment, alignment);
  if (!bounce) return ErrnoError(ENOMEM);
  std::size_t done = 0;
  while (done < buffer.size()) {
    const std::int64_t start = position_ + static_cast<std::int64_t>(done);
    const std::size_t want = std::min(buffer.size() - done, kBounceChunk);
    const std::size_t head = static_cast<std::size_t>(start % static_cast<std::int64_t>(alignment));
    const std::size_t span = (head + want + alignment - 1) / alignment * alignment;
    ssize_t got = ReadAt(fd_.Get(), bounce.data(), span, start - static_cast<std::int64_t>(head));
    if (got < 0) {
      if (done == 0) return ErrnoError(errno);
      break;  // what was read so far is a short count; the next read meets the error
    }
    const std::size_t usable =
        static_cast<std::size_t>(got) > head ? std::min(static_cast<std::size_t>(got) - head, want) : 0;
    std::memcpy(buffer.data() + done, bounce.data() + head, usable);
    done += usable;
    if (usable < want) break;
  }
  position_ += static_cast<std::int64_t>(done);
  return done;
}

Outcome<std::size_t> LinuxDeviceHandle::Write(std::span<const std::byte> data) {
  if (data.empty()) return std::size_t{0};
  if (GoesStraightToDevice(data.data(), position_, data.size())) {
    if (int error = WriteAllAt(fd_.Get(), data.data(), data.size(), position_)) return ErrnoError(error);
  } else if (auto written = WriteThroughBounceBuffer(data); !written) {
    return written.error();
  }
  position_ += static_cast<std::int64_t>(data.size());
  return data.size();
}

// Direct I/O writes whole logical blocks only: a partly covered first or last
// block is read first so that the bytes around the data stay as they were.
Outcome<void> LinuxDeviceHandle::WriteThroughBounceBuffer(std::span<const std::byte> data) {
  const std::size_t alignment = directAlignment_;
  const AlignedBuffer bounce = AlignedBuffer::TryAllocate(kBounceChunk + 2 * alignment, alignment);
  if (!bounce) return ErrnoError(ENOMEM);
  std::size_t done = 0;
  while (done < data.size()) {
    const std::int64_t start = position_ + static_cast<std::int64_t>(done);
    const std::size_t want = std::min(data.size() - done, kBounceChunk);
    const std::size_t head = static_cast<std::size_t>(start % static_cast<std::int64_t>(alignment));
    const std::size_t span = (head + want + alignment - 1) / alignment * alignment;
    const std::int64_t alignedStart = start - static_cast<std::int64_t>(head);
    auto readBlock = [&](std::size_t at) -> int {
      ssize_t got =
          ReadAt(fd_.Get(), bounce.data() + at, alignment, alignedStart + static_cast<std::int64_t>(at));
      if (got < 0) return errno;
      return static_cast<std::size_t>(got) == alignment ? 0 : ENOSPC;  // past the end of the device
    };
    if (head != 0)
      if (int error = readBlock(0)) return ErrnoError(error);
    if ((head + want) % alignment != 0 && (span > alignment || head == 0))
      if (int error = readBlock(span - alignment)) return ErrnoError(error);
    std::memcpy(bounce.data() + head, data.data() + done, want);
    if (int error = WriteAllAt(fd_.Get(), bounce.data(), span, alignedStart)) return ErrnoError(error);
    done += want;
  }
  return {};
}

Outcome<void> LinuxDeviceHandle::Flush() {
  if (::fsync(fd_.Get()) != 0) return ErrnoError(errno);
  return {};
}

Outcome<std::int64_t> LinuxDeviceHandle::Size() {
  if (isBlockDevice_) {
    std::uint64_t bytes = 0;
    if (::ioctl(fd_.Get(), BLKGETSIZE64, &bytes) != 0) return ErrnoError(errno);
    return static_cast<std::int64_t>(bytes);
  }
  struct stat status {};
  if (::fstat(fd_.Get(), &status) != 0) return ErrnoError(errno);
  return static_cast<std::int64_t>(status.st_size);
}

std::optional<PARTITION_INFORMATION> LinuxDeviceHandle::QueryPartitionInfo() {
  return isBlockDevice_ ? QueryDevicePartitionInfo(fd_.Get()) : std::nullopt;
}

std::optional<DISK_GEOMETRY> LinuxDeviceHandle::QueryGeometry() {
  return isBlockDevice_ ? QueryDeviceGeometry(fd_.Get()) : std::nullopt;
}

std::optional<DRIVE_LAYOUT_INFORMATION> LinuxDeviceHandle::QueryLayout() {
  return isBlockDevice_ ? QueryDeviceLayout(fd_.Get(), path_) : std::nullopt;
}

std::size_t LinuxDeviceHandle::PreferredAlignment() const {
  return directAlignment_ == 0 ? 1 : directAlignment_;
}

bool LinuxDeviceHandle::StillPresent() {
  if (!isBlockDevice_) return true;
  // An unplugged disk leaves its open node behind, but not its sysfs entry.
  struct stat status {};
  if (::fstat(fd_.Get(), &status) != 0) return false;
  const std::string entry =
      "/sys/dev/block/" + std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev));
  return ::access(entry.c_str(), F_OK) == 0;
}

}  // namespace drivecopy::linux_backend
