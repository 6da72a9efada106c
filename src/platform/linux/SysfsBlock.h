#pragma once
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace drivecopy {

// Where a block device sits in sysfs: its own node and the node of the whole
// disk it belongs to (the same node for a whole disk).
struct BlockNode {
  std::string Name;                    // "sda1", "loop3p2", "sda"
  std::filesystem::path SysfsDir;      // resolved /sys/devices/.../block/sda[/sda1]
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

// The whole disks this program numbers as physical drives 0, 1, ...: names
// under /sys/block of the families sd, nvme, vd, hd, xvd, mmcblk and attached
// loop devices, grouped by family name and in kernel order inside a family
// (sdz before sdaa, loop2 before loop10).
std::vector<std::string> PhysicalDiskNames();

// Whether name belongs to one of the families above (attachment not tested).
bool IsPhysicalDiskFamilyName(const std::string& name);
// Orders two disk names as PhysicalDiskNames does.
bool PhysicalDiskNameBefore(const std::string& left, const std::string& right);

// True when the disk is a loop device with a backing file and a size above 0.
bool IsAttachedLoopDisk(const std::string& diskName);

// The resolved device path of a disk (/sys/devices/...), empty when it has
// no device link (loop, device mapper).
std::filesystem::path DiskHardwarePath(const std::string& diskName);

// "USB", "IDE" or "SCSI" from the bus the disk hangs on; empty when unknown.
std::string DiskBusName(const std::string& diskName);

// The disk says it is removable, or it sits on USB.
bool DiskIsRemovable(const std::string& diskName);

}  // namespace drivecopy
