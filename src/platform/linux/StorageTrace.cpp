#include "platform/linux/StorageTrace.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

#include "platform/linux/DiskNodes.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

using Reach = StoragePlace::Reach;
constexpr SectorRange kWhole{0, INT64_MAX};
// Devices built on devices built on ... are followed this deep at most.
constexpr int kMaxDepth = 8;

// The weaker of how a place was reached and how the next one below it is.
Reach Weaker(Reach a, Reach b) { return std::max(a, b); }

class Tracer {
 public:
  explicit Tracer(const std::vector<AttachedLoop>& loops) : loops_(loops) {}

  void BlockDevice(dev_t device, SectorRange range, Reach how, int depth) {
    if (depth > kMaxDepth) return;
    const auto disk = NodesOfDisk(device);
    if (!disk) {
      // No block device of its own: btrfs gives its files an anonymous
      // device number; the mount table names the device it was mounted from.
      for (const MountEntry& mount : Mounts()) {
        if (makedev(mount.Major, mount.Minor) != device || !mount.Source.starts_with("/dev/")) continue;
        if (auto source = BlockDeviceNumber(mount.Source); source && *source != device) {
          BlockDevice(*source, range, how, depth + 1);
          return;
        }
      }
      Add(StoragePlace{StoragePlace::Kind::DiskRange, device, 0, range, how});
      return;
    }
    const auto onDisk = RangeOnDisk(*disk, device, range);
    if (!onDisk) return;
    const dev_t wholeDisk = disk->WholeDisk().Device;
    Add(StoragePlace{StoragePlace::Kind::DiskRange, wholeDisk, 0, *onDisk, how});
    if (const AttachedLoop* loop = FindLoop(loops_, wholeDisk)) LoopBacking(*loop, *onDisk, how, depth);
    if (const auto node = FindBlockNode(device)) {
      std::error_code error;
      for (const auto& member : fs::directory_iterator(node->SysfsDir / "slaves", error)) {
        if (auto number = ReadSysfsDeviceNumber(member.path()))
          BlockDevice(*number, kWhole, Weaker(how, Reach::OnMember), depth + 1);
      }
    }
  }

  void File(dev_t fileSystem, ino_t inode, SectorRange range, Reach how, int depth) {
    Add(StoragePlace{StoragePlace::Kind::FileRange, fileSystem, inode, range, how});
    BlockDevice(fileSystem, kWhole, Reach::Somewhere, depth + 1);
  }

  void NotYetMade(const std::string& path) {
    // It will be a file in the nearest folder that exists.
    std::error_code error;
    fs::path folder = fs::absolute(path, error).parent_path();
    struct stat status {};
    while (!folder.empty() && ::stat(folder.c_str(), &status) != 0 && folder != folder.parent_path())
      folder = folder.parent_path();
    if (::stat(folder.c_str(), &status) == 0) BlockDevice(status.st_dev, kWhole, Reach::Somewhere, 0);
  }

  std::vector<StoragePlace> Places() && { return std::move(places_); }

 private:
  // `onLoop`: a range of the loop device's whole disk.
  void LoopBacking(const AttachedLoop& loop, SectorRange onLoop, Reach how, int depth) {
    if (!loop.Shows) {
      // Not known by identity: its name is the only hint, and it leads at
      // most to the file system it points into.
      if (const MountEntry* mount = MountHoldingPath(Mounts(), loop.BackingName))
        BlockDevice(makedev(mount->Major, mount->Minor), kWhole, Reach::Somewhere, depth + 1);
      return;
    }
    const StoragePlace& shown = *loop.Shows;
    const std::int64_t base = shown.Range.FirstSector;
    const SectorRange below{base + onLoop.FirstSector,
                            onLoop.EndSector == INT64_MAX
                                ? shown.Range.EndSector
                                : std::min(shown.Range.EndSector, base + onLoop.EndSector)};
    if (shown.What == StoragePlace::Kind::FileRange) {
      File(shown.Device, shown.Inode, below, how, depth + 1);
    } else {
      BlockDevice(shown.Device, below, how, depth + 1);  // a whole disk's range already
    }
  }

  void Add(StoragePlace place) {
    for (const StoragePlace& known : places_)
      if (known.SameStorage(place) && known.Range == place.Range && known.How == place.How) return;
    places_.push_back(place);
  }

  const std::vector<MountEntry>& Mounts() {
    if (!mountsRead_) {
      mounts_ = ReadMountTable();
      mountsRead_ = true;
    }
    return mounts_;
  }

  const std::vector<AttachedLoop>& loops_;
  std::vector<StoragePlace> places_;
  std::vector<MountEntry> mounts_;
  bool mountsRead_ = false;
};

}  // namespace

std::vector<StoragePlace> TraceStorage(const std::string& path, SectorRange range,
                                       const std::vector<AttachedLoop>& loops) {
  Tracer tracer(loops);
  struct stat status {};
  if (path.empty()) return {};
  if (::stat(path.c_str(), &status) == 0) {
    if (S_ISBLK(status.st_mode)) {
      tracer.BlockDevice(status.st_rdev, range, Reach::Exactly, 0);
    } else if (S_ISREG(status.st_mode)) {
      // A file path counts as a whole, whatever part of it is asked about.
      tracer.File(status.st_dev, status.st_ino, kWhole, Reach::Exactly, 0);
    }
  } else if (errno == ENOENT) {
    tracer.NotYetMade(path);
  }
  return std::move(tracer).Places();
}

}  // namespace drivecopy::linux_backend
