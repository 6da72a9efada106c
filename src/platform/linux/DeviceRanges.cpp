#include "platform/linux/DeviceRanges.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsBlock.h"

namespace drivecopy {
namespace {

// A block device's place on its whole disk, in 512-byte sectors.
struct DiskPlace {
  std::string DiskName;
  SectorRange Range;
};

std::optional<DiskPlace> PlaceOf(dev_t device) {
  const auto node = FindBlockNode(device);
  if (!node) return std::nullopt;
  // sysfs counts start and size in 512-byte units whatever the sector size.
  const auto size = ReadSysfsNumber(node->SysfsDir / "size");
  if (!size) return std::nullopt;
  std::int64_t start = 0;
  if (node->IsPartition) {
    const auto partitionStart = ReadSysfsNumber(node->SysfsDir / "start");
    if (!partitionStart) return std::nullopt;
    start = *partitionStart;
  }
  return DiskPlace{node->DiskName, SectorRange{start, start + *size}};
}

bool Overlap(const SectorRange& a, const SectorRange& b) {
  return a.FirstSector < b.EndSector && b.FirstSector < a.EndSector;
}

}  // namespace

std::optional<FileLocation> LocateFileOnDevice(const std::string& path) {
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
  const auto place = PlaceOf(status.st_dev);
  if (!place) return std::nullopt;
  return FileLocation{"/dev/" + place->DiskName, place->Range};
}

bool SameFileOrDevice(const std::string& first, const std::string& second) {
  struct stat a {}, b {};
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  if (S_ISBLK(a.st_mode) && S_ISBLK(b.st_mode)) return a.st_rdev == b.st_rdev;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::optional<std::string> MountPointInRange(const std::string& devicePath, SectorRange range) {
  struct stat status {};
  if (::stat(devicePath.c_str(), &status) != 0 || !S_ISBLK(status.st_mode)) return std::nullopt;
  const auto target = PlaceOf(status.st_rdev);
  if (!target) return std::nullopt;
  // The asked range counts from the device's own start; make it disk-absolute.
  const SectorRange onDisk{target->Range.FirstSector + range.FirstSector,
                           target->Range.FirstSector + range.EndSector};
  for (const MountEntry& mount : ReadMountTable()) {
    const auto place = PlaceOf(makedev(mount.Major, mount.Minor));
    if (place && place->DiskName == target->DiskName && Overlap(place->Range, onDisk)) {
      return mount.MountPoint;
    }
  }
  return std::nullopt;
}

}  // namespace drivecopy
