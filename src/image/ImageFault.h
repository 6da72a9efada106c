#pragma once
#include <string>
#include <utility>

#include "platform/SystemError.h"

namespace drivecopy {

// A fault in the content of an image file (not an operating-system failure)
// carries error code 0; the text says what is wrong and where.
inline SystemError ImageFault(std::string text) { return SystemError{0, std::move(text)}; }

// An operating-system failure during a file operation, with the operation
// named in front of the system's own text ("Cannot write the image file: No
// space left on device"); the system's error code is kept.
inline SystemError FileOperationFailed(const std::string& operation, const SystemError& cause) {
  return SystemError{cause.code, operation + ": " + cause.text};
}

}  // namespace drivecopy
