#include "platform/sim/BackingFile.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace {

Failure HostError(int errnoValue, const std::string& path) {
  Failure error = WindowsError(WindowsErrorForErrno(errnoValue));
  error.text += " (" + path + ": " + std::strerror(errnoValue) + ")";
  return error;
}

}  // namespace

BackingFile::BackingFile(int descriptor, std::string path, bool removeOnClose, bool writable)
    : descriptor_(descriptor), path_(std::move(path)), removeOnClose_(removeOnClose), writable_(writable) {}

BackingFile::~BackingFile() {
  ::close(descriptor_);
  if (removeOnClose_) ::unlink(path_.c_str());
}

Outcome<std::unique_ptr<BackingFile>> BackingFile::CreateTemporary(std::int64_t size,
                                                                   const std::string& label) {
  std::error_code ignored;
  std::string pattern =
      (std::filesystem::temp_directory_path(ignored) / ("drivecopy-sim-" + label + "-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) return HostError(errno, pattern);
  std::unique_ptr<BackingFile> file(new BackingFile(descriptor, name.data(), true, true));
  // Sizing with truncate allocates nothing: the file stays sparse.
  if (::ftruncate(descriptor, static_cast<off_t>(size)) != 0) return HostError(errno, file->Path());
  return file;
}

Outcome<std::unique_ptr<BackingFile>> BackingFile::OpenExisting(const std::string& path) {
  bool writable = true;
  int descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor < 0 && (errno == EACCES || errno == EROFS)) {
    writable = false;
    descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (descriptor < 0) return HostError(errno, path);
  return std::unique_ptr<BackingFile>(new BackingFile(descriptor, path, false, writable));
}

Outcome<void> BackingFile::ReadAt(std::int64_t offset, std::span<std::byte> buffer) const {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::pread(descriptor_, buffer.data() + done, buffer.size() - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0) {
      if (errno == EINTR) continue;
      return HostError(errno, path_);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  std::memset(buffer.data() + done, 0, buffer.size() - done);
  return {};
}

Outcome<void> BackingFile::WriteAt(std::int64_t offset, std::span<const std::byte> data) {
  if (!writable_) return HostError(EACCES, path_);
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t put = ::pwrite(descriptor_, data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (put < 0) {
      if (errno == EINTR) continue;
      return HostError(errno, path_);
    }
    done += static_cast<std::size_t>(put);
  }
  return {};
}

}  // namespace drivecopy::sim
