#include "platform/linux/LoopEvidence.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <climits>

#include "platform/linux/AnswerInTime.h"

namespace drivecopy::linux_backend {

namespace {

constexpr auto kTimeToAnswer = std::chrono::seconds(1);
constexpr SectorRange kWholeLoop{0, INT64_MAX};

bool SameLow32Bits(ino_t a, ino_t b) { return (a & 0xffffffffu) == (b & 0xffffffffu); }

}  // namespace

std::optional<SectorRange> LoopEvidence::PartShowing(const AttachedLoop& loop, const StoragePlace& place,
                                                     const std::string& placeName) {
  if (loop.Shows) {
    const StoragePlace& shown = *loop.Shows;
    if (shown.Overlaps(place)) return RangeOnLoop(loop, place);
    if (shown.What == StoragePlace::Kind::FileRange && place.What == StoragePlace::Kind::FileRange &&
        OverlayFileMayBe(shown, place)) {
      // The same file under the overlay's identity: the same offsets.
      StoragePlace seen = place;
      seen.Device = shown.Device;
      seen.Inode = shown.Inode;
      if (shown.Overlaps(seen)) return RangeOnLoop(loop, seen);
    }
    return std::nullopt;
  }
  if (!placeName.empty() && loop.BackingName == placeName) return kWholeLoop;
  if (loop.NotAnswering && place.What == StoragePlace::Kind::FileRange) {
    const MountEntry* mount = MountHoldingPath(mounts_, loop.BackingName);
    if (mount && makedev(mount->Major, mount->Minor) == place.Device) return kWholeLoop;
  }
  return std::nullopt;
}

bool LoopEvidence::OverlayFileMayBe(const StoragePlace& overlayFile, const StoragePlace& place) {
  if (!(overlayFile.Inode == place.Inode || SameLow32Bits(overlayFile.Inode, place.Inode))) return false;
  for (const MountEntry& mount : mounts_) {
    if (mount.FileSystemType != "overlay" || makedev(mount.Major, mount.Minor) != overlayFile.Device)
      continue;
    for (dev_t layer : LayerFileSystems(mount))
      if (layer == place.Device) return true;
  }
  return false;
}

const std::vector<dev_t>& LoopEvidence::LayerFileSystems(const MountEntry& overlay) {
  const dev_t device = makedev(overlay.Major, overlay.Minor);
  if (auto known = layers_.find(device); known != layers_.end()) return known->second;
  // The folders are named by the mount's options; one on a file system that
  // does not answer is left out rather than waited for.
  std::vector<PendingAnswer<std::optional<dev_t>>> pending;
  for (const std::string& folder : OverlayLayerFolders(overlay)) {
    pending.push_back(Ask<std::optional<dev_t>>("layer " + folder, [folder]() -> std::optional<dev_t> {
      struct stat status {};
      if (::stat(folder.c_str(), &status) != 0) return std::nullopt;
      return status.st_dev;
    }));
  }
  const Deadline deadline = std::chrono::steady_clock::now() + kTimeToAnswer;
  std::vector<dev_t> fileSystems;
  for (const auto& answer : pending)
    if (auto value = answer.WaitUntil(deadline); value && *value) fileSystems.push_back(**value);
  return layers_[device] = std::move(fileSystems);
}

}  // namespace drivecopy::linux_backend
