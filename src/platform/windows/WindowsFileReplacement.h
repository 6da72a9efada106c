#pragma once
#include <string>

#include "platform/Failure.h"

namespace drivecopy::windows_backend {

// Platform::RenameOver on Windows: MoveFileExW with
// MOVEFILE_REPLACE_EXISTING, which replaces the file of that name in one
// step, and MOVEFILE_WRITE_THROUGH, which returns only once the move is on
// the disk. A raw device path, a folder or a link (reparse point) on either
// side is refused.
Outcome<void> RenameOverFile(const std::string& from, const std::string& to);

}  // namespace drivecopy::windows_backend
