// HostFile on Linux and other POSIX hosts: a file descriptor with pread,
// pwrite and fsync.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/FileTypeCheck.h"
#include "platform/sim/HostFile.h"
#include "platform/sim/HostFileHandle.h"
#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace fs = std::filesystem;

namespace {

int Descriptor(std::intptr_t native) { return static_cast<int>(native); }

Failure RefusedType(const fs::path& path, fs::file_type type) {
  Failure refused = WindowsError(ErrorAccessDenied);
  refused.text += " (" + path.string() + ": " + NotARegularFileOrBlockDevice(type) + ")";
  return refused;
}

}  // namespace

Outcome<HostFile> HostFile::Open(const fs::path& path, Access access) {
  int flags = O_CLOEXEC;
  switch (access) {
    case Access::Read:
      flags |= O_RDONLY;
      break;
    case Access::ReadWrite:
      flags |= O_RDWR;
      break;
    case Access::CreateAlways:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0) {
    if (S_ISDIR(before.st_mode)) return WindowsError(ErrorAccessDenied);
    if (const auto type = FileTypeOfMode(before.st_mode); !IsRegularFileOrBlockDevice(type))
      return RefusedType(path, type);
  }
  // O_NONBLOCK until the descriptor is known to be no pipe (one could have
  // taken the file's place since the look above).
  const int descriptor = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
  if (descriptor < 0) return HostFileError(errno, path);
  HostFile file(descriptor, path.string());
  struct stat opened {};
  if (::fstat(descriptor, &opened) != 0) return HostFileError(errno, path);
  if (!S_ISREG(opened.st_mode) && !S_ISBLK(opened.st_mode)) return WindowsError(ErrorAccessDenied);
  if (const int statusFlags = ::fcntl(descriptor, F_GETFL);
      statusFlags < 0 || ::fcntl(descriptor, F_SETFL, statusFlags & ~O_NONBLOCK) != 0) {
    return HostFileError(errno, path);
  }
  return file;
}

Outcome<HostFile> HostFile::CreateTemporary(const std::string& label) {
  std::error_code ignored;
  const std::string pattern =
      (fs::temp_directory_path(ignored) / ("drivecopy-sim-" + label + "-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) return HostFileError(errno, pattern);
  return HostFile(descriptor, name.data());
}

HostFile::HostFile(HostFile&& other) noexcept : native_(other.native_), path_(std::move(other.path_)) {
  other.native_ = Closed;
}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
  if (this != &other) {
    if (native_ != Closed) ::close(Descriptor(native_));
    native_ = other.native_;
    path_ = std::move(other.path_);
    other.native_ = Closed;
  }
  return *this;
}

HostFile::~HostFile() {
  if (native_ != Closed) ::close(Descriptor(native_));
}

Outcome<std::size_t> HostFile::ReadAt(std::int64_t offset, std::span<std::byte> buffer) const {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::pread(Descriptor(native_), buffer.data() + done, buffer.size() - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0) {
      if (errno == EINTR) continue;
      return HostFileError(errno, path_);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

Outcome<void> HostFile::WriteAt(std::int64_t offset, std::span<const std::byte> data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t put = ::pwrite(Descriptor(native_), data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (put < 0) {
      if (errno == EINTR) continue;
      return HostFileError(errno, path_);
    }
    done += static_cast<std::size_t>(put);
  }
  return {};
}

Outcome<void> HostFile::Sync() {
  if (::fsync(Descriptor(native_)) != 0) return HostFileError(errno, path_);
  return {};
}

Outcome<std::int64_t> HostFile::Size() const {
  struct stat status {};
  if (::fstat(Descriptor(native_), &status) != 0) return HostFileError(errno, path_);
  return static_cast<std::int64_t>(status.st_size);
}

Outcome<void> HostFile::Resize(std::int64_t size) {
  if (::ftruncate(Descriptor(native_), static_cast<off_t>(size)) != 0) return HostFileError(errno, path_);
  return {};
}

}  // namespace drivecopy::sim
#endif
