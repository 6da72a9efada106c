#include "cli/DeviceNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "cli/JobCommandSupport.h"
#include "disk/KindTags.h"
#include "disk/SizeText.h"
#include "disk/Units.h"
#include "selection/DriveLists.h"
#include "shell/SystemErrorCause.h"

namespace drivecopy {
namespace {

bool IsWindowsStyle(const std::string& name) {
  return name.starts_with("\\\\") || (name.size() >= 2 && name[1] == ':');
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A root or mount point without its trailing separator ("C:\" -> "C:",
// "/mnt/usb/" -> "/mnt/usb"); "/" stays "/".
std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

bool SameName(const std::string& listed, const std::string& given) {
  if (listed.empty()) return false;
  if (IsWindowsStyle(listed) || IsWindowsStyle(given)) return Lower(listed) == Lower(given);
  return listed == given;
}

bool SameRoot(const std::string& listed, const std::string& given) {
  return SameName(WithoutTrailingSeparator(listed), WithoutTrailingSeparator(given));
}

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The partition number a name gives for the drive at `drivePath`:
// "<drive>#N", or on Linux "<drive>N" / "<drive>pN" as the kernel names
// partition nodes (with the 'p' exactly when the drive's name ends in a digit).
std::optional<long> PartitionNumberIn(const std::string& drivePath, const std::string& name) {
  const std::size_t hash = name.rfind('#');
  if (hash != std::string::npos) {
    const std::string number = name.substr(hash + 1);
    if (!SameName(drivePath, name.substr(0, hash)) || !AllDigits(number) || number.size() > 6) {
      return std::nullopt;
    }
    return std::stol(number);
  }
  if (!drivePath.starts_with("/dev/") || !name.starts_with(drivePath)) return std::nullopt;
  std::string rest = name.substr(drivePath.size());
  const bool endsInDigit = std::isdigit(static_cast<unsigned char>(drivePath.back())) != 0;
  if (endsInDigit) {
    if (!rest.starts_with("p")) return std::nullopt;
    rest.erase(0, 1);
  }
  if (!AllDigits(rest) || rest.size() > 6) return std::nullopt;
  return std::stol(rest);
}

NamedKind KindOfDriveRow(const DriveRow& row) {
  return row.Record.Kind == KindFloppy ? NamedKind::Floppy : NamedKind::Drive;
}

}  // namespace

ListedDevices ListDevices(Platform& platform) {
  const DriveLists lists(platform);
  const CloneEndpoint noCloneSource;
  ListedDevices devices;
  for (DriveRow& row : lists.PhysicalDriveRows(noCloneSource).Rows) {
    if (row.Record.Kind == KindPhysicalDrive) {
      for (DriveRow& partition : lists.PartitionRows(row.Record, noCloneSource)) {
        devices.Partitions.push_back(std::move(partition));
      }
    }
    devices.Drives.push_back(std::move(row));
  }
  const std::vector<LogicalDrive> letters = platform.LogicalDrives();
  for (DriveRow& row : lists.LogicalDriveRows()) {
    ListedVolume volume{std::move(row), {}};
    for (const LogicalDrive& letter : letters) {
      if (letter.RootPath == volume.Row.Record.RootPath) volume.DriveName = letter.DriveName;
    }
    devices.Volumes.push_back(std::move(volume));
  }
  return devices;
}

std::optional<NamedDevice> FindListedDevice(const ListedDevices& devices, const std::string& name) {
  if (name.empty()) return std::nullopt;
  for (const DriveRow& row : devices.Drives) {
    const bool floppyRoot = row.Record.Kind == KindFloppy && SameRoot(row.Record.RootPath, name);
    if (SameName(row.Record.DevicePath, name) || floppyRoot) {
      return NamedDevice{KindOfDriveRow(row), row};
    }
  }
  for (const DriveRow& row : devices.Partitions) {
    const auto number = PartitionNumberIn(row.Record.DevicePath, name);
    const auto& entry = row.Record.Layout.PartitionEntry[row.Record.EntryIndex];
    if (number && *number == static_cast<long>(entry.PartitionNumber)) {
      return NamedDevice{NamedKind::Partition, row};
    }
  }
  for (const ListedVolume& volume : devices.Volumes) {
    const TBigDriveInformation& record = volume.Row.Record;
    if (SameRoot(volume.DriveName, name) || SameRoot(record.RootPath, name) ||
        SameName(record.DevicePath, name)) {
      return NamedDevice{NamedKind::Volume, volume.Row};
    }
  }
  return std::nullopt;
}

NamedDevice RegularFileDevice(const std::string& path, std::int64_t sizeBytes) {
  NamedDevice device;
  device.Kind = NamedKind::RegularFile;
  device.Row.Caption = path + " " + SizeText(sizeBytes);
  device.Row.Record.DevicePath = path;
  device.Row.Record.DriveNumber = -1;
  device.Row.Record.Kind = KindPhysicalDrive;
  device.Row.Record.PartitionInfo.StartingOffset = 0;
  device.Row.Record.PartitionInfo.PartitionLength = sizeBytes;
  return device;
}

std::string UnknownDeviceNameText(const std::string& name) {
  return "no drive, partition, floppy or volume is named " + name +
         "; see drivecopy list (a drive by its device path, a partition by its drive's path, '#' "
         "and its number or by its own device node, a floppy by its root or device path, a "
         "volume by its drive name, mount point or root path, or an existing regular file)";
}

std::string NamedKindText(NamedKind kind) {
  switch (kind) {
    case NamedKind::Drive: return "a whole drive";
    case NamedKind::Partition: return "a partition";
    case NamedKind::Floppy: return "a floppy";
    case NamedKind::Volume: return "a volume";
    case NamedKind::RegularFile: return "a regular file";
  }
  return "a device";
}

std::variant<NamedDevice, std::string> ResolveDeviceName(Platform& platform,
                                                         const std::string& name) {
  if (auto listed = FindListedDevice(ListDevices(platform), name)) return *listed;

  // A host path that exists but is no regular file (a block device the lists
  // do not offer, a folder, a pipe) is never taken for a file: writing to an
  // unlisted device would skip every check a listed one gets.
  std::error_code error;
  const auto status = std::filesystem::status(name, error);
  // A block device the lists leave out because it cannot be opened (no right
  // to it, no medium) is named with the reason, which is the real trouble.
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    if (std::filesystem::is_block_file(status)) {
      if (auto opened = platform.Open(name, OpenMode::Read); !opened) {
        return "cannot open " + name + ": " + SystemErrorCause(CommandLineTexts(), opened.error());
      }
    }
    return name + " is not a regular file, and no drive, partition, floppy or volume that "
                  "drivecopy list shows is named so; see drivecopy list";
  }
  if (!platform.FileExists(name)) return UnknownDeviceNameText(name);
  auto file = platform.Open(name, OpenMode::Read);
  if (!file) return "cannot open " + name + ": " + SystemErrorCause(CommandLineTexts(), file.error());
  auto size = file.value()->Size();
  if (!size) return "cannot tell the size of " + name + ": " + size.error().text;
  return RegularFileDevice(name, size.value());
}

}  // namespace drivecopy
