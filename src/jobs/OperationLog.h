#pragma once
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/Platform.h"

namespace drivecopy {

// Saves an operation window's memo as its log file: the byte-order mark FF FE,
// then the memo's text in UTF-16 little-endian, every line followed by CR LF
// (the last one too). `memoLines` are UTF-8; a line that holds line breaks
// (CR LF, LF or a lone CR) becomes several lines of the file, so a line ending
// in a break is followed by an empty line. Bytes that are not valid UTF-8 are
// written as U+FFFD. The file is created anew, replacing one of that name,
// and flushed. A failure to create, write or flush it comes back as an error
// whose text names the file.
Outcome<void> WriteOperationLog(Platform& platform, const std::string& path,
                                const std::vector<std::string>& memoLines);

}  // namespace drivecopy
