#include "platform/linux/LinuxVolumes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

#include "platform/linux/MountTable.h"
#include "platform/linux/PartitionTable.h"
#include "platform/linux/SysfsBlock.h"
#include "platform/linux/TimeLimitedLook.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;
namespace {

constexpr std::array<const char*, 2> kFloppySlots{"/dev/fd0", "/dev/fd1"};

bool IsFloppySlot(const std::string& path) {
  return std::find(kFloppySlots.begin(), kFloppySlots.end(), path) != kFloppySlots.end();
}

bool IsBlockDevice(const std::string& path, struct stat& status) {
  return ::stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode);
}

struct MountedVolume {
  MountEntry Mount;
  std::string DevicePath;
  std::string DiskName;  // empty when sysfs does not know the device
};

// The device node to name for a mount: its source when that is the device
// itself, else /dev/NAME of the device number's sysfs node.
std::string DevicePathOf(const MountEntry& mount, const std::optional<BlockNode>& node) {
  struct stat status {};
  if (IsBlockDevice(mount.Source, status) && major(status.st_rdev) == mount.Major &&
      minor(status.st_rdev) == mount.Minor)
    return mount.Source;
  if (node && fs::exists("/dev/" + node->Name)) return "/dev/" + node->Name;
  return mount.Source;
}

std::vector<MountedVolume> MountedBlockVolumes() {
  std::map<std::pair<std::uint32_t, std::uint32_t>, MountedVolume> byDevice;
  for (const auto& mount : ReadMountTable()) {
    if (!mount.Source.starts_with("/dev/") || mount.Major == 0) continue;
    auto key = std::make_pair(mount.Major, mount.Minor);
    auto known = byDevice.find(key);
    // A bind mount of a sub-directory does not name the volume when the
    // whole file system is mounted somewhere too.
    if (known != byDevice.end() && !(known->second.Mount.Root != "/" && mount.Root == "/")) continue;
    auto node = FindBlockNode(mount.Major, mount.Minor);
    MountedVolume volume{mount, DevicePathOf(mount, node), node ? node->DiskName : std::string()};
    if (IsFloppySlot(volume.DevicePath)) continue;  // listed as a floppy slot already
    byDevice.insert_or_assign(key, std::move(volume));
  }
  std::vector<MountedVolume> volumes;
  for (auto& [key, volume] : byDevice) volumes.push_back(std::move(volume));
  std::sort(volumes.begin(), volumes.end(), [](const MountedVolume& a, const MountedVolume& b) {
    return a.Mount.MountPoint < b.Mount.MountPoint;
  });
  return volumes;
}

std::optional<MountedVolume> MountedVolumeAt(const std::string& rootPath) {
  for (auto& volume : MountedBlockVolumes())
    if (volume.Mount.MountPoint == rootPath) return volume;
  return std::nullopt;
}

// A floppy slot is ready when its medium can be read and holds a file system.
std::optional<VolumeInformation> FloppyVolumeInformation(const std::string& slot) {
  UniqueFd fd(::open(slot.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  std::array<char, 512> sector{};
  if (::pread(fd.Get(), sector.data(), sector.size(), 0) != static_cast<ssize_t>(sector.size()))
    return std::nullopt;
  auto probed = ProbeFileSystem(slot);
  if (!probed) return std::nullopt;
  return VolumeInformation{probed->Label, probed->Type};
}

std::string LabelOf(const std::string& devicePath) {
  // Reading the label needs read access to the device; without it, or from
  // a device that does not answer in time, the volume simply has no name.
  auto label = LookWithinTimeLimit(devicePath, [&devicePath] {
    auto probed = ProbeFileSystem(devicePath);
    return probed ? probed->Label : std::string();
  });
  return label ? label.value() : std::string();
}

// The path made absolute and cut back to its nearest existing directory,
// with symbolic links resolved; empty when nothing of it exists.
fs::path NearestExistingDirectory(const std::string& path) {
  std::error_code error;
  fs::path current = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), error).lexically_normal();
  if (error) return {};
  while (true) {
    if (fs::is_directory(current, error)) {
      fs::path resolved = fs::canonical(current, error);
      return error ? fs::path() : resolved;
    }
    if (!current.has_relative_path()) return {};
    fs::path parent = current.parent_path();
    if (parent == current) return {};
    current = parent;
  }
}

}  // namespace

std::vector<LogicalDrive> ListLogicalDrives() {
  std::vector<LogicalDrive> drives;
  for (const char* slot : kFloppySlots) {
    struct stat status {};
    if (IsBlockDevice(slot, status)) drives.push_back(LogicalDrive{slot, slot, slot, true});
  }
  for (const auto& volume : MountedBlockVolumes())
    drives.push_back(
        LogicalDrive{volume.Mount.MountPoint, volume.DevicePath, volume.Mount.MountPoint, false});
  return drives;
}

int DriveTypeOfRoot(const std::string& rootPath) {
  struct stat status {};
  if (IsFloppySlot(rootPath)) return IsBlockDevice(rootPath, status) ? DriveRemovable : DriveNoRootDir;
  auto volume = MountedVolumeAt(rootPath);
  if (!volume) return DriveNoRootDir;
  if (volume->DiskName.empty()) return DriveFixed;
  // sysfs calls an optical drive removable; it is a CD-ROM drive all the same.
  if (DiskIsOptical(volume->DiskName)) return DriveCdRom;
  return DiskIsRemovable(volume->DiskName) ? DriveRemovable : DriveFixed;
}

std::optional<VolumeInformation> VolumeInformationOfRoot(const std::string& rootPath) {
  if (IsFloppySlot(rootPath)) return FloppyVolumeInformation(rootPath);
  auto volume = MountedVolumeAt(rootPath);
  if (!volume) return std::nullopt;
  struct statvfs status {};
  if (::statvfs(rootPath.c_str(), &status) != 0) return std::nullopt;
  return VolumeInformation{LabelOf(volume->DevicePath), volume->Mount.FileSystemType};
}

std::optional<VolumeInformation> VolumeInformationOfPath(const std::string& path) {
  fs::path directory = NearestExistingDirectory(path);
  if (directory.empty()) return std::nullopt;
  const std::string text = directory.string();
  std::optional<MountEntry> best;
  // Later entries win a tie: a mount hides an earlier one at the same place.
  for (auto& mount : ReadMountTable())
    if (MountPointContains(mount.MountPoint, text) &&
        (!best || mount.MountPoint.size() >= best->MountPoint.size()))
      best = std::move(mount);
  if (!best) return std::nullopt;
  std::string label = best->Source.starts_with("/dev/") ? LabelOf(best->Source) : std::string();
  return VolumeInformation{label, best->FileSystemType};
}

std::optional<FreeSpace> FreeSpaceOfPath(const std::string& path) {
  fs::path directory = NearestExistingDirectory(path);
  struct statvfs status {};
  if (directory.empty() || ::statvfs(directory.c_str(), &status) != 0) return std::nullopt;
  FreeSpace space;
  space.FreeBytes = static_cast<std::int64_t>(status.f_bavail * status.f_frsize);
  space.TotalBytes = static_cast<std::int64_t>(status.f_blocks * status.f_frsize);
  return space;
}

}  // namespace drivecopy::linux_backend
