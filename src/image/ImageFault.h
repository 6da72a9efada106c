#pragma once
#include <string>
#include <utility>
#include <vector>

#include "platform/Failure.h"
#include "text/DetailTextsInForce.h"

namespace drivecopy {

// A fault in the content of an image file (not an operating-system failure,
// so without a system code); the text says what is wrong and where.
inline Failure ImageFault(std::string text) { return Failure::Because(std::move(text)); }

// An operating-system failure during a file operation, told by `message`
// (a detail text) with `names` in its first slots and the system's own text
// in the last ("Cannot write the image file: No space left on device"); the
// system's code and the kind are kept.
inline Failure FileOperationFailed(std::string DetailTexts::*message, std::vector<std::string> names,
                                   const Failure& cause) {
  names.push_back(cause.text);
  return cause.Reworded(Detail(message, names));
}

}  // namespace drivecopy
