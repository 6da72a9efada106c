#pragma once
#include <cstdint>
#include <string>

#include "platform/Failure.h"

namespace drivecopy::windows_backend {

// The system's own text for a Windows error code (FormatMessageW, in the
// user's language, at most 1,024 bytes, without the line break it ends in);
// "Unknown error N." where the system has none.
std::string SystemErrorText(std::uint32_t code);

// A failed call's code with the system's text, and what kind of failure it
// is for a job (a CRC error costs only its sectors; a full disk, a
// write-protected medium or a drive that went away end the job).
Failure WindowsFailure(std::uint32_t code);

// WindowsFailure of GetLastError(), read at once after the failed call.
Failure LastWindowsFailure();

}  // namespace drivecopy::windows_backend
