#include "platform/linux/SysfsBlock.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string_view>
#include <system_error>

namespace drivecopy {
namespace fs = std::filesystem;

namespace {

const fs::path kSysBlock = "/sys/block";

struct DiskFamily {
  std::string_view Prefix;
  bool LetterSuffix;  // sda, vdb, ... rather than loop0, nvme0n1, mmcblk0
};
// In name order of the prefixes.
constexpr std::array kFamilies{
    DiskFamily{"hd", true},   DiskFamily{"loop", false}, DiskFamily{"mmcblk", false},
    DiskFamily{"nvme", false}, DiskFamily{"sd", true},    DiskFamily{"vd", true},
    DiskFamily{"xvd", true},
};

bool AllLetters(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// nvme0n1 (controller 0, namespace 1); not nvme0n1p1 or nvme0c0n1.
bool IsNvmeNamespaceSuffix(std::string_view suffix) {
  auto n = suffix.find('n');
  return n != std::string_view::npos && AllDigits(suffix.substr(0, n)) && AllDigits(suffix.substr(n + 1));
}

// Index into kFamilies, or -1 when the name is no whole disk of a known family.
int FamilyOf(std::string_view name) {
  // Longest prefix first so that "xvda" is not taken for a "vd" disk.
  int best = -1;
  for (std::size_t i = 0; i < kFamilies.size(); ++i) {
    const auto& family = kFamilies[i];
    if (!name.starts_with(family.Prefix)) continue;
    std::string_view suffix = name.substr(family.Prefix.size());
    bool fits = family.LetterSuffix       ? AllLetters(suffix)
                : family.Prefix == "nvme" ? IsNvmeNamespaceSuffix(suffix)
                                          : AllDigits(suffix);  // also leaves out mmcblk0boot0
    if (fits && (best < 0 || family.Prefix.size() > kFamilies[static_cast<std::size_t>(best)].Prefix.size()))
      best = static_cast<int>(i);
  }
  return best;
}

std::vector<unsigned long long> NumbersIn(std::string_view text) {
  std::vector<unsigned long long> numbers;
  unsigned long long current = 0;
  bool inNumber = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      current = current * 10 + static_cast<unsigned long long>(c - '0');
      inNumber = true;
    } else if (inNumber) {
      numbers.push_back(current);
      current = 0;
      inNumber = false;
    }
  }
  if (inNumber) numbers.push_back(current);
  return numbers;
}

std::optional<BlockNode> NodeAt(const fs::path& link) {
  std::error_code error;
  fs::path dir = fs::canonical(link, error);
  if (error) return std::nullopt;
  BlockNode node;
  node.Name = dir.filename().string();
  node.SysfsDir = dir;
  node.IsPartition = fs::exists(dir / "partition", error);
  node.DiskSysfsDir = node.IsPartition ? dir.parent_path() : dir;
  node.DiskName = node.DiskSysfsDir.filename().string();
  return node;
}

}  // namespace

std::optional<BlockNode> FindBlockNode(dev_t device) {
  return FindBlockNode(static_cast<std::uint32_t>(major(device)), static_cast<std::uint32_t>(minor(device)));
}

std::optional<BlockNode> FindBlockNode(std::uint32_t majorNumber, std::uint32_t minorNumber) {
  return NodeAt(fs::path("/sys/dev/block") / (std::to_string(majorNumber) + ":" + std::to_string(minorNumber)));
}

std::optional<std::string> ReadSysfsLine(const fs::path& attribute) {
  std::ifstream in(attribute);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  auto notBlank = [](unsigned char c) { return !std::isspace(c); };
  line.erase(line.begin(), std::find_if(line.begin(), line.end(), notBlank));
  line.erase(std::find_if(line.rbegin(), line.rend(), notBlank).base(), line.end());
  return line;
}

std::optional<std::int64_t> ReadSysfsNumber(const fs::path& attribute) {
  auto line = ReadSysfsLine(attribute);
  if (!line || !AllDigits(*line) || line->size() > 18) return std::nullopt;
  return std::stoll(*line);
}

bool IsPhysicalDiskFamilyName(const std::string& name) { return FamilyOf(name) >= 0; }

bool PhysicalDiskNameBefore(const std::string& left, const std::string& right) {
  int leftFamily = FamilyOf(left);
  int rightFamily = FamilyOf(right);
  if (leftFamily != rightFamily) return leftFamily < rightFamily;
  if (leftFamily < 0) return left < right;
  const auto& family = kFamilies[static_cast<std::size_t>(leftFamily)];
  if (family.LetterSuffix) {
    // The kernel names the 27th sd disk sdaa: shorter names come first.
    if (left.size() != right.size()) return left.size() < right.size();
    return left < right;
  }
  return NumbersIn(left) < NumbersIn(right);
}

bool IsAttachedLoopDisk(const std::string& diskName) {
  std::error_code error;
  if (!fs::exists(kSysBlock / diskName / "loop" / "backing_file", error)) return false;
  auto sectors = ReadSysfsNumber(kSysBlock / diskName / "size");
  return sectors && *sectors > 0;
}

std::vector<std::string> PhysicalDiskNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kSysBlock, error)) {
    std::string name = entry.path().filename().string();
    if (!IsPhysicalDiskFamilyName(name)) continue;
    if (name.starts_with("loop") && !IsAttachedLoopDisk(name)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), PhysicalDiskNameBefore);
  return names;
}

fs::path DiskHardwarePath(const std::string& diskName) {
  std::error_code error;
  fs::path device = fs::canonical(kSysBlock / diskName / "device", error);
  return error ? fs::path() : device;
}

std::string DiskBusName(const std::string& diskName) {
  fs::path device = DiskHardwarePath(diskName);
  if (device.empty()) return {};
  bool onAta = false;
  bool onScsiLikeBus = false;
  for (const auto& part : device) {
    std::string component = part.string();
    // USB wins: a USB stick also shows SCSI host and target components.
    if (component.starts_with("usb")) return "USB";
    if (component.size() > 3 && component.starts_with("ata") && std::isdigit(static_cast<unsigned char>(component[3])))
      onAta = true;
    if (component.starts_with("nvme") || component.starts_with("virtio") || component.starts_with("host") ||
        component.starts_with("target"))
      onScsiLikeBus = true;
  }
  if (onAta) return "IDE";
  if (onScsiLikeBus) return "SCSI";
  return {};
}

bool DiskIsRemovable(const std::string& diskName) {
  auto removable = ReadSysfsNumber(kSysBlock / diskName / "removable");
  return (removable && *removable == 1) || DiskBusName(diskName) == "USB";
}

}  // namespace drivecopy
