#pragma once
#include <string>

#include "platform/Failure.h"

namespace drivecopy::linux_backend {

// Platform::RenameOver on Linux: rename(2), which the kernel makes atomic
// within one file system, then fsync(2) of the folder, without which a crash
// may bring back the old directory entry. Both sides are looked at with
// lstat first: only a regular file is moved, and only a regular file (or
// nothing) is replaced.
Outcome<void> RenameOverFile(const std::string& from, const std::string& to);

}  // namespace drivecopy::linux_backend
