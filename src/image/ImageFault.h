#pragma once
#include <string>
#include <utility>

#include "platform/Failure.h"

namespace drivecopy {

// A fault in the content of an image file (not an operating-system failure,
// so without a system code); the text says what is wrong and where.
inline Failure ImageFault(std::string text) { return Failure::Because(std::move(text)); }

// An operating-system failure during a file operation, with the operation
// named in front of the system's own text ("Cannot write the image file: No
// space left on device"); the system's code and the kind are kept.
inline Failure FileOperationFailed(const std::string& operation, const Failure& cause) {
  return cause.Reworded(operation + ": " + cause.text);
}

}  // namespace drivecopy
