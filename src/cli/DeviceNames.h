#pragma once
#include <cstdint>
#include <string>
#include <variant>

#include "cli/ListedDevices.h"
#include "platform/Platform.h"

namespace drivecopy {

// A whole-drive record for a regular file of `sizeBytes` bytes: kind physical
// drive, sectors 0 .. size div 512, caption "<path> <size text>".
NamedDevice RegularFileDevice(const std::string& path, std::int64_t sizeBytes);

// The node a device link ("/dev/disk/by-id/...") or a relative name of a
// device node ("sdb1" in /dev) stands for: "/dev/sdb1"; also the drive part
// of a "drive#number" name. Any other name comes back as it is.
std::string DeviceNodeNamed(const std::string& name);

// Resolves a name given on the command line to exactly the row `drivecopy
// list` shows for it (FindListedDevice over ListDevices), but looks only at
// the devices the name can mean: the drive it names, or whose partition it
// names, or the volume; no other device is opened, so one that does not
// answer holds up no command that does not name it. Otherwise an existing
// regular file. Refused, with a text for the user: a device that gives no
// answer in time, an outdated partition node (saying how to have the table
// re-read), a partition of a disk whose first sector cannot be read (a read
// error, named as such), and a host path that exists but is a device,
// folder or other special file that no row answers to.
std::variant<NamedDevice, std::string> ResolveDeviceName(Platform& platform, const std::string& name);

// The error for a name nothing answers to.
std::string UnknownDeviceNameText(const std::string& name);

// A name for a kind of device, for messages ("a partition").
std::string NamedKindText(NamedKind kind);

}  // namespace drivecopy
