#include "platform/linux/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/linux/ErrnoError.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {

namespace {

Failure NotARegularFile() {
  return Failure::OfSystemCall(
             EEXIST,
             "it exists and is not a regular file (a device, folder, pipe or link), so it is not replaced")
      .Naming(BackendReason::ExistsNotRegularFile);
}

}  // namespace

Outcome<void> RenameOverFile(const std::string& from, const std::string& to) {
  struct stat status {};
  if (::lstat(from.c_str(), &status) != 0) return ErrnoError(errno);
  if (!S_ISREG(status.st_mode)) return NotARegularFile();
  if (::lstat(to.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) return NotARegularFile();
  } else if (errno != ENOENT) {
    return ErrnoError(errno);
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoError(errno);

  const std::string folder = std::filesystem::path(to).parent_path().string();
  UniqueFd directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory.Valid()) return ErrnoError(errno);
  if (::fsync(directory.Get()) != 0) return ErrnoError(errno);
  return {};
}

}  // namespace drivecopy::linux_backend
