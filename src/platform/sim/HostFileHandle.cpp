#include "platform/sim/HostFileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileTypeCheck.h"
#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace fs = std::filesystem;

Failure HostFileError(int errnoValue, const fs::path& path) {
  int code = WindowsErrorForErrno(errnoValue);
  // Windows tells a missing folder from a missing file.
  std::error_code ignored;
  if (errnoValue == ENOENT &&
      !fs::is_directory(path.parent_path().empty() ? "." : path.parent_path(), ignored))
    code = ErrorPathNotFound;
  Failure error = WindowsError(code);
  error.text += " (" + path.string() + ": " + std::strerror(errnoValue) + ")";
  return error;
}

HostFileHandle::HostFileHandle(int descriptor, std::string path, bool writable,
                               std::shared_ptr<VolumeFileArea> area)
    : descriptor_(descriptor), path_(std::move(path)), writable_(writable), area_(std::move(area)) {}

HostFileHandle::~HostFileHandle() { ::close(descriptor_); }

Outcome<std::unique_ptr<DeviceHandle>> HostFileHandle::Open(const fs::path& path, OpenMode mode,
                                                            std::shared_ptr<VolumeFileArea> area) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::Read:
    case OpenMode::ReadUncached:  // the simulated machine keeps no cache of its own
      flags |= O_RDONLY;
      break;
    case OpenMode::ReadWrite:
      flags |= O_RDWR;
      break;
    case OpenMode::CreateAlways:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  struct stat before {};
  const bool existed = ::stat(path.c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) return WindowsError(ErrorAccessDenied);
  // Nothing but a regular file or a block device is opened: the open of a
  // named pipe waits for a writer, and a character device holds no sectors.
  if (const auto type = FileTypeOfMode(before.st_mode); existed && !IsRegularFileOrBlockDevice(type)) {
    Failure refused = WindowsError(ErrorAccessDenied);
    refused.text += " (" + path.string() + ": " + NotARegularFileOrBlockDevice(type) + ")";
    return refused;
  }
  // O_NONBLOCK until the descriptor is known to be no pipe (one could have
  // taken the file's place since the look above).
  const int descriptor = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
  if (descriptor < 0) return HostFileError(errno, path);
  std::unique_ptr<HostFileHandle> handle(
      new HostFileHandle(descriptor, path.string(), OpensForWriting(mode), area));
  struct stat opened {};
  if (::fstat(descriptor, &opened) != 0) return HostFileError(errno, path);
  if (!S_ISREG(opened.st_mode) && !S_ISBLK(opened.st_mode)) return WindowsError(ErrorAccessDenied);
  if (const int statusFlags = ::fcntl(descriptor, F_GETFL);
      statusFlags < 0 || ::fcntl(descriptor, F_SETFL, statusFlags & ~O_NONBLOCK) != 0) {
    return HostFileError(errno, path);
  }
  // The replaced file's bytes become free again on its volume.
  if (area && existed && mode == OpenMode::CreateAlways) area->Release(before.st_size);
  return std::unique_ptr<DeviceHandle>(std::move(handle));
}

Outcome<void> HostFileHandle::Seek(std::int64_t offset) {
  if (offset < 0) return WindowsError(ErrorNegativeSeek);
  position_ = offset;
  return {};
}

Outcome<std::size_t> HostFileHandle::Read(std::span<std::byte> buffer) {
  for (;;) {
    const ssize_t got = ::pread(descriptor_, buffer.data(), buffer.size(), static_cast<off_t>(position_));
    if (got >= 0) {
      position_ += got;
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) return HostFileError(errno, path_);
  }
}

Outcome<std::size_t> HostFileHandle::Write(std::span<const std::byte> data) {
  if (!writable_) return WindowsError(ErrorAccessDenied);
  if (area_) {
    auto size = Size();
    if (!size) return size.error();
    auto booked = area_->Grow(*size, position_ + static_cast<std::int64_t>(data.size()));
    if (!booked) return booked.error();
  }
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t put = ::pwrite(descriptor_, data.data() + done, data.size() - done,
                                 static_cast<off_t>(position_ + static_cast<std::int64_t>(done)));
    if (put < 0) {
      if (errno == EINTR) continue;
      return HostFileError(errno, path_);
    }
    done += static_cast<std::size_t>(put);
  }
  position_ += static_cast<std::int64_t>(done);
  return done;
}

Outcome<void> HostFileHandle::Flush() {
  if (::fsync(descriptor_) != 0) return HostFileError(errno, path_);
  return {};
}

Outcome<std::int64_t> HostFileHandle::Size() {
  struct stat status {};
  if (::fstat(descriptor_, &status) != 0) return HostFileError(errno, path_);
  return static_cast<std::int64_t>(status.st_size);
}

}  // namespace drivecopy::sim
