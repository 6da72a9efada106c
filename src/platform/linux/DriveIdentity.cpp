#include "platform/linux/DriveIdentity.h"

#include <filesystem>
#include <optional>

#include "platform/linux/SysfsBlock.h"

namespace drivecopy {
namespace fs = std::filesystem;
namespace {

std::optional<std::string> DiskNameOf(int driveNumber) {
  if (driveNumber < 0) return std::nullopt;
  auto names = PhysicalDiskNames();
  if (static_cast<std::size_t>(driveNumber) >= names.size()) return std::nullopt;
  return names[static_cast<std::size_t>(driveNumber)];
}

std::string CollapseBlanks(const std::string& text) {
  std::string collapsed;
  for (char c : text) {
    if (c == ' ' && (collapsed.empty() || collapsed.back() == ' ')) continue;
    collapsed.push_back(c);
  }
  if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

std::string ModelText(const std::string& diskName) {
  const fs::path block = fs::path("/sys/block") / diskName;
  if (auto backing = ReadSysfsLine(block / "loop" / "backing_file"))
    return "Loop device (" + fs::path(*backing).filename().string() + ")";
  std::string model = ReadSysfsLine(block / "device" / "model").value_or("");
  if (model.empty()) model = ReadSysfsLine(block / "device" / "name").value_or("");  // MMC cards
  // Vendor texts such as "ATA" or a PCI id ("0x1af4") say nothing about the drive.
  std::string vendor = ReadSysfsLine(block / "device" / "vendor").value_or("");
  if (vendor == "ATA" || vendor.starts_with("0x")) vendor.clear();
  return CollapseBlanks(vendor.empty() ? model : vendor + " " + model);
}

}  // namespace

std::string PhysicalDrivePathOf(int driveNumber) {
  auto name = DiskNameOf(driveNumber);
  return name ? "/dev/" + *name : std::string();
}

IdentityAnswer DriveModelOf(int driveNumber) {
  auto name = DiskNameOf(driveNumber);
  if (!name) return IdentityAnswer{0, {}};
  return IdentityAnswer{1, ModelText(*name)};
}

IdentityAnswer DriveInterfaceTypeOf(int driveNumber) {
  auto name = DiskNameOf(driveNumber);
  if (!name) return IdentityAnswer{0, {}};
  return IdentityAnswer{1, DiskBusName(*name)};
}

}  // namespace drivecopy
