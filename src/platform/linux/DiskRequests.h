#pragma once
#include <optional>
#include <string>

#include "platform/DiskRecords.h"

namespace drivecopy::linux_backend {

// The three disk requests answered for an open descriptor. Each fails
// (nullopt) for anything that is not a block device.

// Whole disk: offset 0 and the exact size. Partition device: its start and
// size from sysfs, its number, hidden sectors = start sector and the type
// byte of its entry in the disk's table. Floppy: none.
std::optional<PARTITION_INFORMATION> QueryDevicePartitionInfo(int fd);

// 255 tracks per cylinder, 63 sectors per track, cylinders = disk size div
// (255 x 63 x logical sector size); a partition answers with its disk's
// geometry. A floppy answers with its real format.
std::optional<DISK_GEOMETRY> QueryDeviceGeometry(int fd);

// The partition table of a whole disk (devicePath names the same device as
// fd); partition devices and floppies fail.
std::optional<DRIVE_LAYOUT_INFORMATION> QueryDeviceLayout(int fd, const std::string& devicePath);

}  // namespace drivecopy::linux_backend
