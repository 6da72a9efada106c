#include "platform/linux/Occupants.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "platform/linux/AttachedLoops.h"
#include "platform/linux/DiskNodes.h"
#include "platform/linux/FileMounts.h"
#include "platform/linux/LoopEvidence.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/StorageTrace.h"
#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

using Reach = StoragePlace::Reach;

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

// The swap areas in use, by the name /proc/swaps gives them. A swap file
// needs no identity of its own here: the kernel refuses writes to it.
struct SwapArea {
  std::string Name;
  Identity What;
};

std::vector<SwapArea> ActiveSwapAreas() {
  std::vector<SwapArea> areas;
  std::ifstream in("/proc/swaps");
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    const auto end = line.find_first_of(" \t");
    if (end == 0 || line.empty()) continue;
    std::string name = DecodeOctalEscapes(std::string_view(line).substr(0, end));
    if (auto what = IdentityOf(name)) areas.push_back(SwapArea{std::move(name), *what});
  }
  return areas;
}

// A mounted file system by mount point, standing for the device number
// mountinfo gives and, when the source is a device node, that device too
// (btrfs gives an anonymous number).
struct MountedDevice {
  std::string MountPoint;
  dev_t Number = 0;
  std::optional<dev_t> Source;
};

std::vector<MountedDevice> MountedDevices(const std::vector<MountEntry>& mounts) {
  std::vector<MountedDevice> mounted;
  for (const MountEntry& mount : mounts) {
    mounted.push_back(
        MountedDevice{mount.MountPoint, makedev(mount.Major, mount.Minor),
                      mount.Source.starts_with("/dev/") ? BlockDeviceNumber(mount.Source) : std::nullopt});
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

// Looks for whatever lives on the places a destination's bytes lie in, and
// on every other view of those bytes.
class OccupantSearch {
 public:
  OccupantSearch(std::vector<AttachedLoop> loops, std::string destinationName)
      : loops_(std::move(loops)),
        mounts_(ReadMountTable()),
        mounted_(MountedDevices(mounts_)),
        swaps_(ActiveSwapAreas()),
        evidence_(mounts_),
        destinationName_(std::move(destinationName)) {}

  // `places`: the destination traced (StorageTrace.h), itself first.
  DestinationSurvey Run(const std::vector<StoragePlace>& places) {
    for (const StoragePlace& place : places)
      if (place.How == Reach::Exactly && place.What == StoragePlace::Kind::DiskRange)
        own_.insert(place.Device);
    for (std::size_t i = 0; i < places.size(); ++i) {
      // Only the bytes themselves: not the file system around a file, nor
      // the whole members of a device-mapper device (other volumes of one
      // volume group are no occupants).
      if (places[i].How == Reach::Exactly)
        Examine(places[i], i == 0, i == 0 ? destinationName_ : std::string());
    }
    return DestinationSurvey{std::move(found_), std::move(otherViews_)};
  }

 private:
  // Everything living on `place`. `isDestination`: the place is the
  // destination itself or another device showing its bytes, so a loop device
  // over it is built on the destination. A loop device over a place below
  // the destination (the file or device its loop device shows) is another
  // view of the same bytes, which counts as the destination in turn. `name`:
  // the place's own name where it has one (LoopEvidence::PartShowing).
  void Examine(const StoragePlace& place, bool isDestination, const std::string& name) {
    if (place.What == StoragePlace::Kind::DiskRange) {
      if (const auto disk = NodesOfDisk(place.Device)) {
        for (const DiskNode& node : disk->Overlapping(place.Range)) ExamineNode(node);
      }
    } else {
      ExamineFile(place);
    }
    for (const AttachedLoop& loop : loops_) {
      if (own_.contains(loop.Device) || views_.contains(loop.Device)) continue;
      const auto part = evidence_.PartShowing(loop, place, name);
      if (!part) continue;
      if (isDestination) {
        Add(OccupantKind::LoopDevice, loop.Path());
      } else {
        views_.insert(loop.Device);
        const StoragePlace view{StoragePlace::Kind::DiskRange, loop.Device, 0, *part};
        otherViews_.push_back(view);
        Examine(view, true, std::string());
      }
    }
  }

  void ExamineNode(const DiskNode& node) {
    bool mounted = false;
    for (const MountedDevice& mount : mounted_) {
      if (mount.Number == node.Device || mount.Source == node.Device) {
        Add(OccupantKind::MountedFileSystem, mount.MountPoint);
        mounted = true;
      }
    }
    for (const SwapArea& swap : swaps_)
      if (swap.What.IsBlockDevice && swap.What.Device == node.Device)
        Add(OccupantKind::ActiveSwap, swap.Name);
    std::error_code error;
    for (const auto& holder : fs::directory_iterator(SysfsDirOf(node.Device) / "holders", error))
      Add(OccupantKind::StackedDevice, HolderName(holder.path().filename().string()));
    if (!mounted) {
      // A mounted btrfs is named by its mount point above; an unmounted one
      // that still holds the device by its UUID.
      for (const std::string& uuid : BtrfsFileSystemsWith(node.Device))
        Add(OccupantKind::StackedDevice, "btrfs " + uuid);
    }
  }

  void ExamineFile(const StoragePlace& file) {
    for (const SwapArea& swap : swaps_) {
      if (!swap.What.IsBlockDevice && swap.What.Device == file.Device && swap.What.Inode == file.Inode)
        Add(OccupantKind::ActiveSwap, swap.Name);
    }
    if (!fileMounts_) fileMounts_ = FileSystemsOnFiles(mounts_);
    for (const FileMount& mount : *fileMounts_)
      if (mount.File.SameStorage(file)) Add(OccupantKind::MountedFileSystem, mount.MountPoint);
  }

  void Add(OccupantKind kind, std::string name) {
    Occupant occupant{kind, std::move(name)};
    if (std::find(found_.begin(), found_.end(), occupant) == found_.end())
      found_.push_back(std::move(occupant));
  }

  std::vector<AttachedLoop> loops_;
  std::vector<MountEntry> mounts_;
  std::vector<MountedDevice> mounted_;
  std::vector<SwapArea> swaps_;
  LoopEvidence evidence_;
  std::string destinationName_;
  std::optional<std::vector<FileMount>> fileMounts_;  // looked for at the first file
  std::set<dev_t> own_;    // the destination's own disks and the loop devices it lies on
  std::set<dev_t> views_;  // other loop devices showing its bytes, examined once
  std::vector<Occupant> found_;
  std::vector<StoragePlace> otherViews_;
};

}  // namespace

std::vector<Occupant> FindOccupants(const std::string& path, SectorRange range) {
  return SurveyDestination(path, range).Occupants;
}

DestinationSurvey SurveyDestination(const std::string& path, SectorRange range) {
  auto loops = ReadAttachedLoops();
  const auto places = TraceStorage(path, range, loops);
  // Only what exists has occupants (a path not made yet traces to its folder).
  if (places.empty() || places.front().How != Reach::Exactly) return {};
  std::error_code error;
  std::string name = fs::canonical(path, error).string();
  OccupantSearch search(std::move(loops), error ? std::string() : std::move(name));
  return search.Run(places);
}

}  // namespace drivecopy::linux_backend
