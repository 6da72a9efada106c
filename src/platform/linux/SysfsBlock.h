#pragma once
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace drivecopy::linux_backend {

// Where a block device sits in sysfs: its own node and the node of the whole
// disk it belongs to (the same node for a whole disk).
struct BlockNode {
  std::string Name;                // "sda1", "loop3p2", "sda"
  std::filesystem::path SysfsDir;  // resolved /sys/devices/.../block/sda[/sda1]
  bool IsPartition = false;
  std::string DiskName;                // "sda"
  std::filesystem::path DiskSysfsDir;  // resolved node of the whole disk
};

// The sysfs node of the block device with this device number (st_rdev), found
// through /sys/dev/block/MAJOR:MINOR; nullopt when there is none.
std::optional<BlockNode> FindBlockNode(dev_t device);
std::optional<BlockNode> FindBlockNode(std::uint32_t major, std::uint32_t minor);

// First line of a sysfs attribute without surrounding blanks; nullopt when
// the attribute cannot be read.
std::optional<std::string> ReadSysfsLine(const std::filesystem::path& attribute);
std::optional<std::int64_t> ReadSysfsNumber(const std::filesystem::path& attribute);
// The device number in a sysfs node's `dev` attribute ("8:17").
std::optional<dev_t> ReadSysfsDeviceNumber(const std::filesystem::path& node);

// What decides whether a whole disk under /sys/block is one of the physical
// drives, read from its sysfs entry.
struct WholeDiskFacts {
  std::string Name;           // "sda", "nvme0n1", "loop3"
  bool Hidden = false;        // sysfs "hidden" (an NVMe multipath path)
  bool Optical = false;       // a CD/DVD drive (SCSI type 5, sr*)
  bool LoopAttached = false;  // a loop device with a backing file
  std::int64_t SizeSectors = 0;
  bool ReadOnly = false;          // sysfs "ro"
  bool BackedBySquashfs = false;  // a read-only loop device whose backing file is a squashfs image
};

// Whether such a disk is numbered as a physical drive: every whole disk but
// device-mapper, md, zram and RAM disks, floppies (listed as floppy slots),
// optical drives and hidden paths; a loop device only when it is attached,
// has a size, and is not a read-only squashfs image (a snap package).
bool IsPhysicalDisk(const WholeDiskFacts& disk);

// The order drives are numbered in: real disks first (nvme, sd, vd, mmcblk,
// hd, xvd, then any other kind by name), loop devices last; inside a family
// the kernel's order (sdz before sdaa, loop2 before loop10).
bool PhysicalDiskNameBefore(const std::string& left, const std::string& right);

// The facts of /sys/block/NAME.
WholeDiskFacts ReadWholeDiskFacts(const std::string& diskName);

// The whole disks numbered as physical drives 0, 1, ..., in that order.
std::vector<std::string> PhysicalDiskNames();

// Whether the disk is an optical drive (its volumes are CD-ROM volumes).
bool DiskIsOptical(const std::string& diskName);

// The resolved device path of a disk (/sys/devices/...), empty when it has
// no device link (loop, device mapper).
std::filesystem::path DiskHardwarePath(const std::string& diskName);

// "USB", "IDE" or "SCSI" from the bus the disk hangs on; empty when unknown.
std::string DiskBusName(const std::string& diskName);

// The disk says it is removable, or it sits on USB.
bool DiskIsRemovable(const std::string& diskName);

}  // namespace drivecopy::linux_backend
