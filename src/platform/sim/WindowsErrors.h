#pragma once
#include "platform/Failure.h"

namespace drivecopy::sim {

// Windows error codes the simulated machine reports, so that callers see the
// same numbers and texts as on the real platform.
inline constexpr int ErrorInvalidFunction = 1;
inline constexpr int ErrorFileNotFound = 2;
inline constexpr int ErrorPathNotFound = 3;
inline constexpr int ErrorAccessDenied = 5;
inline constexpr int ErrorInvalidData = 13;
inline constexpr int ErrorNotSameDevice = 17;
inline constexpr int ErrorWriteProtect = 19;
inline constexpr int ErrorNotReady = 21;
inline constexpr int ErrorCrc = 23;
inline constexpr int ErrorSectorNotFound = 27;
inline constexpr int ErrorWriteFault = 29;
inline constexpr int ErrorGeneralFailure = 31;
inline constexpr int ErrorInvalidParameter = 87;
inline constexpr int ErrorDiskFull = 112;
inline constexpr int ErrorNegativeSeek = 131;
inline constexpr int ErrorUnrecognizedVolume = 1005;
inline constexpr int ErrorSharingViolation = 32;
inline constexpr int ErrorDeviceNotConnected = 1167;
inline constexpr int ErrorServiceAlreadyRunning = 1056;
inline constexpr int ErrorServiceDoesNotExist = 1060;
inline constexpr int ErrorServiceCannotAcceptControl = 1061;
inline constexpr int ErrorServiceNotActive = 1062;
inline constexpr int ErrorRpcServerUnavailable = 1722;

// The code with the system's own message text for it, and what kind of
// failure it is for a job.
Failure WindowsError(int code);

// A Windows error code for a host errno, for failures of the host files
// that hold simulated contents and image files.
int WindowsErrorForErrno(int errnoValue);

}  // namespace drivecopy::sim
