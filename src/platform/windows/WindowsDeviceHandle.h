#pragma once
#include <memory>
#include <string>

#include "platform/DeviceHandle.h"
#include "platform/Platform.h"
#include "platform/windows/UniqueHandle.h"

namespace drivecopy::windows_backend {

// How a handle moves its bytes.
enum class Buffering {
  // Through the system's file cache: image and log files.
  Cached,
  // Straight to and from the medium, written through its own cache as
  // well (FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH): raw devices,
  // and files read back after writing. Offsets, lengths and buffer
  // addresses must then be multiples of the sector size; the handle takes
  // any and goes through an aligned buffer where they are not.
  Unbuffered,
};

// Opens a raw device ("\\.\PhysicalDrive0", "\\.\E:", always unbuffered)
// or a regular file (cached; unbuffered for ReadUncached). What is no disk
// file or device (a console, a pipe, a folder) is refused. A file opened to
// be read shares reading only, so it is refused while another program
// writes it; ReadUncached shares writing as well, since it reads back what
// the job itself still holds. CreateAlways makes or empties a regular file
// only, never a device.
Outcome<std::unique_ptr<DeviceHandle>> OpenWindowsDevice(const std::string& path, OpenMode mode);

// The same for one file with the buffering chosen, for the tests of the
// unbuffered path on an ordinary file.
Outcome<std::unique_ptr<DeviceHandle>> OpenWindowsFile(const std::string& path, OpenMode mode,
                                                       Buffering buffering);

}  // namespace drivecopy::windows_backend
