#pragma once
#include <cstring>

#include "platform/SystemError.h"

namespace drivecopy {

// The system's own code and text for an errno value, which is what the user
// is shown when a device or file cannot be used.
inline SystemError ErrnoError(int error) { return SystemError{error, std::strerror(error)}; }

}  // namespace drivecopy
