#include "platform/sim/WindowsErrors.h"

#include <cerrno>
#include <string>

namespace drivecopy::sim {

namespace {

const char* MessageText(int code) {
  switch (code) {
    case ErrorInvalidFunction:
      return "Incorrect function.";
    case ErrorFileNotFound:
      return "The system cannot find the file specified.";
    case ErrorPathNotFound:
      return "The system cannot find the path specified.";
    case ErrorAccessDenied:
      return "Access is denied.";
    case ErrorNotSameDevice:
      return "The system cannot move the file to a different disk drive.";
    case ErrorInvalidData:
      return "The data is invalid.";
    case ErrorWriteProtect:
      return "The media is write protected.";
    case ErrorNotReady:
      return "The device is not ready.";
    case ErrorCrc:
      return "Data error (cyclic redundancy check).";
    case ErrorSectorNotFound:
      return "The drive cannot find the sector requested.";
    case ErrorWriteFault:
      return "The system cannot write to the specified device.";
    case ErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case ErrorGeneralFailure:
      return "A device attached to the system is not functioning.";
    case ErrorInvalidParameter:
      return "The parameter is incorrect.";
    case ErrorDiskFull:
      return "There is not enough space on the disk.";
    case ErrorNegativeSeek:
      return "An attempt was made to move the file pointer before the beginning of the file.";
    case ErrorUnrecognizedVolume:
      return "The volume does not contain a recognized file system.";
    case ErrorServiceAlreadyRunning:
      return "An instance of the service is already running.";
    case ErrorServiceDoesNotExist:
      return "The specified service does not exist as an installed service.";
    case ErrorServiceCannotAcceptControl:
      return "The service cannot accept control messages at this time.";
    case ErrorServiceNotActive:
      return "The service has not been started.";
    case ErrorRpcServerUnavailable:
      return "The RPC server is unavailable.";
    case ErrorDeviceNotConnected:
      return "The device is not connected.";
    default:
      return nullptr;
  }
}

FailureKind KindOf(int code) {
  switch (code) {
    case ErrorCrc:
    case ErrorWriteFault:
      return FailureKind::Medium;
    case ErrorWriteProtect:
      return FailureKind::ReadOnly;
    case ErrorNotReady:
    case ErrorDeviceNotConnected:
      return FailureKind::DeviceGone;
    case ErrorDiskFull:
      return FailureKind::NoSpace;
    default:
      return FailureKind::Other;
  }
}

}  // namespace

Failure WindowsError(int code) {
  const char* text = MessageText(code);
  return Failure::OfSystemCall(code, text ? text : "Unknown error " + std::to_string(code) + ".",
                               KindOf(code));
}

int WindowsErrorForErrno(int errnoValue) {
  switch (errnoValue) {
    case ENOENT:
      return ErrorFileNotFound;
    case ENOTDIR:
      return ErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ErrorAccessDenied;
    case EROFS:
      return ErrorWriteProtect;
    case ENODEV:
    case ENXIO:
    case ENOTCONN:
      return ErrorDeviceNotConnected;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return ErrorDiskFull;
    case EIO:
      return ErrorCrc;
    case EINVAL:
      return ErrorInvalidParameter;
    default:
      return ErrorGeneralFailure;
  }
}

}  // namespace drivecopy::sim
