#include "platform/linux/DriveIdentity.h"

#include <filesystem>
#include <optional>

#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;
namespace {

std::string CollapseBlanks(const std::string& text) {
  std::string collapsed;
  for (char c : text) {
    if (c == ' ' && (collapsed.empty() || collapsed.back() == ' ')) continue;
    collapsed.push_back(c);
  }
  if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

}  // namespace

std::string DiskModelText(const std::string& diskName) {
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

}  // namespace drivecopy::linux_backend
