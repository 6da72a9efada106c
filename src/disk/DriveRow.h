#pragma once
#include <functional>
#include <string>

#include "disk/DriveRecord.h"

namespace drivecopy {

// Image indices of the drive icon list.
enum DriveImage : int {
  DriveImageHardDisk = 0,
  DriveImageRemovable = 1,
  DriveImageFireWire = 2,
  DriveImageUsb = 3,
  DriveImageFolder = 4,
  DriveImageTools = 5,
  DriveImageFloppy = 6,
};

// One row of a drive list: what it shows and the record it carries.
struct DriveRow {
  std::string Caption;
  int ImageIndex = DriveImageHardDisk;
  DriveRecord Record;
};

// Called between rows and probes so that a window can repaint and take a
// Cancel click while slow devices are probed; a no-op for the command line.
using MessagePump = std::function<void()>;

}  // namespace drivecopy
