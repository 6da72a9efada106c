#include "platform/linux/StoragePlaces.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/linux/DiskNodes.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

// Devices built on devices built on ... are followed this deep at most.
constexpr int kMaxDepth = 8;

// Where some bytes lie: a range of a whole disk, or a file. `Inside` marks a
// place that holds the bytes somewhere, not all over: the file system
// device of a file.
struct Place {
  bool IsFile = false;
  dev_t Device = 0;  // the whole disk, or the file's file system
  ino_t Inode = 0;
  SectorRange Range;
  bool Inside = false;
};

bool Meet(const Place& a, const Place& b) {
  if (a.Inside && b.Inside) return false;  // two files in one file system
  if (a.IsFile != b.IsFile) return false;
  if (a.IsFile) return a.Device == b.Device && a.Inode == b.Inode;
  return a.Device == b.Device && a.Range.Overlaps(b.Range);
}

void PlacesOfFile(const struct stat& status, bool inside, int depth, std::vector<Place>& places);

// `range` of block device `device`, counted from its start.
void PlacesOfBlockDevice(dev_t device, SectorRange range, bool inside, int depth,
                         std::vector<Place>& places) {
  if (depth > kMaxDepth) return;
  const auto disk = NodesOfDisk(device);
  if (disk) {
    if (auto onDisk = RangeOnDisk(*disk, device, range)) {
      places.push_back(Place{false, disk->WholeDisk().Device, 0, *onDisk, inside});
    }
  } else {
    // No block device of its own: btrfs gives its files an anonymous device
    // number; the mount table names the device it was mounted from.
    for (const MountEntry& mount : ReadMountTable()) {
      if (makedev(mount.Major, mount.Minor) != device) continue;
      if (auto source = BlockDeviceNumber(mount.Source); source && *source != device) {
        PlacesOfBlockDevice(*source, range, inside, depth + 1, places);
        return;
      }
    }
    places.push_back(Place{false, device, 0, range, inside});
  }
  const auto node = FindBlockNode(device);
  if (!node) return;
  const fs::path& dir = node->SysfsDir;
  // A device-mapper or md device: somewhere on each member (where exactly
  // its table says, which is not worth reading for a refusal).
  std::error_code error;
  for (const auto& member : fs::directory_iterator(dir / "slaves", error)) {
    if (auto number = BlockDeviceNumber("/dev/" + member.path().filename().string()))
      PlacesOfBlockDevice(*number, SectorRange{0, INT64_MAX}, inside, depth + 1, places);
  }
  // A loop device: the part of its backing store it shows.
  if (auto backing = ReadSysfsLine(dir / "loop" / "backing_file"); backing && !backing->empty()) {
    const std::int64_t offset = ReadSysfsNumber(dir / "loop" / "offset").value_or(0) / 512;
    struct stat status {};
    if (::stat(backing->c_str(), &status) != 0) return;
    if (S_ISBLK(status.st_mode)) {
      const std::int64_t end = range.EndSector == INT64_MAX ? INT64_MAX : offset + range.EndSector;
      PlacesOfBlockDevice(status.st_rdev, SectorRange{offset + range.FirstSector, end}, inside, depth + 1,
                          places);
    } else if (S_ISREG(status.st_mode)) {
      PlacesOfFile(status, inside, depth + 1, places);
    }
  }
}

void PlacesOfFile(const struct stat& status, bool inside, int depth, std::vector<Place>& places) {
  places.push_back(Place{true, status.st_dev, status.st_ino, {}, inside});
  // The file's bytes lie somewhere in its file system's device.
  PlacesOfBlockDevice(status.st_dev, SectorRange{0, INT64_MAX}, true, depth + 1, places);
}

std::vector<Place> PlacesOf(const std::string& path, SectorRange range) {
  std::vector<Place> places;
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    if (S_ISBLK(status.st_mode)) {
      PlacesOfBlockDevice(status.st_rdev, range, false, 0, places);
    } else if (S_ISREG(status.st_mode)) {
      PlacesOfFile(status, false, 0, places);
    }
    return places;
  }
  // Not there yet: it will be a file in the nearest folder that exists.
  std::error_code error;
  fs::path folder = fs::absolute(path, error).parent_path();
  while (!folder.empty() && ::stat(folder.c_str(), &status) != 0 && folder != folder.parent_path())
    folder = folder.parent_path();
  if (::stat(folder.c_str(), &status) == 0)
    PlacesOfBlockDevice(status.st_dev, SectorRange{0, INT64_MAX}, true, 0, places);
  return places;
}

}  // namespace

bool PathsShareStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                       SectorRange secondRange) {
  const auto a = PlacesOf(first, firstRange);
  const auto b = PlacesOf(second, secondRange);
  for (const Place& left : a)
    for (const Place& right : b)
      if (Meet(left, right)) return true;
  return false;
}

bool SameFileOrDevice(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  if (S_ISBLK(a.st_mode) && S_ISBLK(b.st_mode)) return a.st_rdev == b.st_rdev;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace drivecopy::linux_backend
