#pragma once
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// The model text of physical drive N; empty when it cannot be found.
inline std::string DriveModel(Platform& platform, int driveNumber) {
  return platform.QueryDriveModel(driveNumber).Value;
}

// The interface types the drive lists tell apart; anything else, and a
// query that did not answer for exactly one drive, counts as a plain disk.
enum class DriveInterface { PlainDisk, Usb, Ide, Scsi };

inline DriveInterface DriveInterfaceOf(Platform& platform, int driveNumber) {
  const IdentityAnswer answer = platform.QueryDriveInterfaceType(driveNumber);
  if (answer.Result < 1) return DriveInterface::PlainDisk;
  if (answer.Value == "USB") return DriveInterface::Usb;
  if (answer.Value == "IDE") return DriveInterface::Ide;
  if (answer.Value == "SCSI") return DriveInterface::Scsi;
  return DriveInterface::PlainDisk;
}

}  // namespace drivecopy
