#include "platform/linux/Occupants.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/linux/DiskNodes.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

// What a path names: a block device by number, or a file by inode.
struct Identity {
  bool IsBlockDevice = false;
  dev_t Device = 0;  // st_rdev of a block device, st_dev of a file
  ino_t Inode = 0;
};

std::optional<Identity> IdentityOf(const std::string& path) {
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
  if (S_ISBLK(status.st_mode)) return Identity{true, status.st_rdev, 0};
  if (S_ISREG(status.st_mode)) return Identity{false, status.st_dev, status.st_ino};
  return std::nullopt;
}

bool SameIdentity(const Identity& a, const Identity& b) {
  return a.IsBlockDevice == b.IsBlockDevice && a.Device == b.Device &&
         (a.IsBlockDevice || a.Inode == b.Inode);
}

void Add(std::vector<Occupant>& found, OccupantKind kind, std::string name) {
  Occupant occupant{kind, std::move(name)};
  if (std::find(found.begin(), found.end(), occupant) == found.end()) found.push_back(std::move(occupant));
}

// Something in use, by the name the system lists it under and what that
// name stands for (looked up once for every node asked about).
struct NamedUse {
  std::string Name;
  Identity What;
};

// The swap areas in use, by the name /proc/swaps gives them.
std::vector<NamedUse> ActiveSwapAreas() {
  std::vector<NamedUse> areas;
  std::ifstream in("/proc/swaps");
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    const auto end = line.find_first_of(" \t");
    if (end == 0 || line.empty()) continue;
    std::string name = DecodeOctalEscapes(std::string_view(line).substr(0, end));
    if (auto what = IdentityOf(name)) areas.push_back(NamedUse{std::move(name), *what});
  }
  return areas;
}

// The mounted file systems by mount point, each standing for the device
// number mountinfo gives and, when the source is a device, that device too
// (btrfs gives an anonymous number).
struct MountedDevice {
  std::string MountPoint;
  dev_t Number = 0;
  std::optional<dev_t> Source;
};

std::vector<MountedDevice> MountedDevices() {
  std::vector<MountedDevice> mounted;
  for (const MountEntry& mount : ReadMountTable()) {
    mounted.push_back(
        MountedDevice{mount.MountPoint, makedev(mount.Major, mount.Minor),
                      mount.Source.starts_with('/') ? BlockDeviceNumber(mount.Source) : std::nullopt});
  }
  return mounted;
}

// "dm-0 (vg-root)" for a device-mapper device, the kernel name otherwise.
std::string HolderName(const std::string& kernelName) {
  if (auto mapped = ReadSysfsLine(fs::path("/sys/block") / kernelName / "dm" / "name");
      mapped && !mapped->empty())
    return "/dev/" + kernelName + " (" + *mapped + ")";
  return "/dev/" + kernelName;
}

fs::path SysfsDirOf(dev_t device) {
  const auto node = FindBlockNode(device);
  return node ? node->SysfsDir : fs::path();
}

// The btrfs file systems that have `device` among their members, by UUID.
std::vector<std::string> BtrfsFileSystemsWith(dev_t device) {
  std::vector<std::string> uuids;
  const fs::path own = SysfsDirOf(device);
  if (own.empty()) return uuids;
  std::error_code error;
  for (const auto& fileSystem : fs::directory_iterator("/sys/fs/btrfs", error)) {
    std::error_code inner;
    for (const auto& member : fs::directory_iterator(fileSystem.path() / "devices", inner)) {
      std::error_code resolved;
      if (fs::canonical(member.path(), resolved) == own && !resolved)
        uuids.push_back(fileSystem.path().filename().string());
    }
  }
  return uuids;
}

// A loop device's backing store and the part of it the loop shows.
struct LoopBacking {
  std::string LoopPath;
  Identity Backing;
  SectorRange Shown;  // within the backing store; EndSector INT64_MAX without a size limit
};

std::vector<LoopBacking> AttachedLoops() {
  std::vector<LoopBacking> loops;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/block", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("loop")) continue;
    auto backingPath = ReadSysfsLine(entry.path() / "loop" / "backing_file");
    if (!backingPath || backingPath->empty()) continue;
    auto backing = IdentityOf(*backingPath);
    if (!backing) continue;  // deleted or no longer reachable under its name
    const std::int64_t offset = ReadSysfsNumber(entry.path() / "loop" / "offset").value_or(0);
    const std::int64_t limit = ReadSysfsNumber(entry.path() / "loop" / "sizelimit").value_or(0);
    SectorRange shown{offset / 512, limit > 0 ? (offset + limit + 511) / 512 : INT64_MAX};
    loops.push_back(LoopBacking{"/dev/" + name, *backing, shown});
  }
  return loops;
}

// Everything living on one node; `onNode` is the asked part of it, counted
// from the node's start (a loop over it counts only where it shows that part).
void AddOccupantsOfNode(std::vector<Occupant>& found, const DiskNode& node, SectorRange onNode,
                        const std::vector<MountedDevice>& mounts, const std::vector<NamedUse>& swaps,
                        const std::vector<LoopBacking>& loops) {
  const Identity device{true, node.Device, 0};
  bool mounted = false;
  for (const MountedDevice& mount : mounts) {
    if (mount.Number == node.Device || mount.Source == node.Device) {
      Add(found, OccupantKind::MountedFileSystem, mount.MountPoint);
      mounted = true;
    }
  }
  for (const NamedUse& swap : swaps)
    if (SameIdentity(swap.What, device)) Add(found, OccupantKind::ActiveSwap, swap.Name);
  std::error_code error;
  const fs::path holders = SysfsDirOf(node.Device) / "holders";
  for (const auto& holder : fs::directory_iterator(holders, error))
    Add(found, OccupantKind::StackedDevice, HolderName(holder.path().filename().string()));
  if (!mounted) {
    // A mounted btrfs is named by its mount point above; an unmounted one
    // that still holds the device by its UUID.
    for (const std::string& uuid : BtrfsFileSystemsWith(node.Device))
      Add(found, OccupantKind::StackedDevice, "btrfs " + uuid);
  }
  for (const LoopBacking& loop : loops) {
    if (SameIdentity(loop.Backing, device) && loop.Shown.Overlaps(onNode))
      Add(found, OccupantKind::LoopDevice, loop.LoopPath);
  }
}

}  // namespace

std::vector<Occupant> FindOccupants(const std::string& path, SectorRange range) {
  std::vector<Occupant> found;
  const auto identity = IdentityOf(path);
  if (!identity) return found;
  const auto loops = AttachedLoops();
  const auto swaps = ActiveSwapAreas();

  if (!identity->IsBlockDevice) {
    for (const NamedUse& swap : swaps)
      if (SameIdentity(swap.What, *identity)) Add(found, OccupantKind::ActiveSwap, swap.Name);
    for (const LoopBacking& loop : loops)
      if (SameIdentity(loop.Backing, *identity)) Add(found, OccupantKind::LoopDevice, loop.LoopPath);
    return found;
  }

  const auto disk = NodesOfDisk(identity->Device);
  if (!disk) return found;
  const auto onDisk = RangeOnDisk(*disk, identity->Device, range);
  if (!onDisk || onDisk->SectorCount() <= 0) return found;
  const auto mounts = MountedDevices();
  for (const DiskNode& node : disk->Overlapping(*onDisk)) {
    const SectorRange onNode{std::max<std::int64_t>(0, onDisk->FirstSector - node.Range.FirstSector),
                             std::min(onDisk->EndSector, node.Range.EndSector) - node.Range.FirstSector};
    AddOccupantsOfNode(found, node, onNode, mounts, swaps, loops);
  }
  return found;
}

}  // namespace drivecopy::linux_backend
