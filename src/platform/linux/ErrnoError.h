#pragma once
#include <cerrno>
#include <cstring>

#include "platform/Failure.h"

namespace drivecopy::linux_backend {

// How a job must take a failure with this errno (see FailureKind).
inline FailureKind FailureKindOfErrno(int error) {
  switch (error) {
    case EIO:
    case EILSEQ:
    case ENODATA:
    case EBADMSG:
      return FailureKind::Medium;
    case EROFS:
    case EPERM:
      return FailureKind::ReadOnly;  // a write to a read-only block device fails with EPERM
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ESHUTDOWN:
    case ENOTCONN:
      return FailureKind::DeviceGone;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FailureKind::NoSpace;
    default:
      return FailureKind::Other;
  }
}

// The system's own code and text for an errno value, which is what the user
// is shown when a device or file cannot be used.
inline Failure ErrnoError(int error) {
  return Failure::OfSystemCall(error, std::strerror(error), FailureKindOfErrno(error));
}

// A failed open of a block device: a refusal for want of rights (EACCES, or
// EPERM from a security module) is told apart, so that the user learns what
// is needed; anything else is as ErrnoError says.
inline Failure BlockDeviceOpenError(int error) {
  Failure failure = ErrnoError(error);
  if (error == EACCES || error == EPERM) failure.kind = FailureKind::NoDiskRights;
  return failure;
}

}  // namespace drivecopy::linux_backend
