#include "platform/linux/SysfsBlock.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string_view>
#include <system_error>
#include <tuple>

#include "platform/linux/TimeLimitedLook.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

const fs::path kSysBlock = "/sys/block";

enum class SuffixRule { Letters, Digits, NvmeNamespace };
struct DiskFamily {
  std::string_view Prefix;
  SuffixRule Suffix;  // what follows the prefix in a whole disk's name
};
// Real disks, in the order they are numbered.
constexpr std::array kFamilies{
    DiskFamily{"nvme", SuffixRule::NvmeNamespace}, DiskFamily{"sd", SuffixRule::Letters},
    DiskFamily{"vd", SuffixRule::Letters},         DiskFamily{"mmcblk", SuffixRule::Digits},
    DiskFamily{"hd", SuffixRule::Letters},         DiskFamily{"xvd", SuffixRule::Letters},
};
constexpr int kOtherRank = static_cast<int>(kFamilies.size());  // a kind of disk not named above
constexpr int kLoopRank = kOtherRank + 1;
// Block devices that are not drives of their own (device mapper, md, zram,
// RAM disks), floppies (listed as floppy slots) and optical drives.
constexpr std::array<std::string_view, 6> kNotDrives{"dm-", "md", "zram", "ram", "fd", "sr"};

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

bool FitsSuffix(SuffixRule rule, std::string_view suffix) {
  switch (rule) {
    case SuffixRule::Letters:
      return AllLetters(suffix);
    case SuffixRule::Digits:
      return AllDigits(suffix);  // also leaves out mmcblk0boot0, mmcblk0rpmb
    case SuffixRule::NvmeNamespace:
      return IsNvmeNamespaceSuffix(suffix);
  }
  return false;
}

// Place of a disk name in the numbering: an index into kFamilies, kOtherRank
// or kLoopRank; -1 for a name that is no whole disk to number.
int RankOf(std::string_view name) {
  if (name.starts_with("loop")) return AllDigits(name.substr(4)) ? kLoopRank : -1;
  for (std::string_view prefix : kNotDrives)
    if (name.starts_with(prefix)) return -1;
  // Longest prefix first so that "xvda" is not taken for a "vd" disk.
  int best = -1;
  for (std::size_t i = 0; i < kFamilies.size(); ++i) {
    if (name.starts_with(kFamilies[i].Prefix) &&
        (best < 0 || kFamilies[i].Prefix.size() > kFamilies[static_cast<std::size_t>(best)].Prefix.size()))
      best = static_cast<int>(i);
  }
  if (best < 0) return name.empty() ? -1 : kOtherRank;
  const DiskFamily& family = kFamilies[static_cast<std::size_t>(best)];
  return FitsSuffix(family.Suffix, name.substr(family.Prefix.size())) ? best : -1;
}

std::string_view LettersBeforeDigits(std::string_view name) {
  return name.substr(0, std::min(name.size(), name.find_first_of("0123456789")));
}

// A squashfs image starts with "hsqs" (the path is a file or a loop device).
// A device that does not answer in time is taken for no image: its loop
// device is then listed, as not answering.
bool IsSquashfsImage(const std::string& path) {
  const auto magic = LookWithinTimeLimit(path, [&path] {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> start{};
    return in.read(start.data(), start.size()) ? std::string(start.data(), start.size()) : std::string();
  });
  return magic && magic.value() == "hsqs";
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
  return NodeAt(fs::path("/sys/dev/block") /
                (std::to_string(majorNumber) + ":" + std::to_string(minorNumber)));
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

std::optional<dev_t> ReadSysfsDeviceNumber(const fs::path& node) {
  const auto text = ReadSysfsLine(node / "dev");
  if (!text) return std::nullopt;
  const auto colon = text->find(':');
  if (colon == std::string::npos || !AllDigits(text->substr(0, colon)) ||
      !AllDigits(text->substr(colon + 1)) || text->size() > 21)
    return std::nullopt;
  return makedev(static_cast<unsigned>(std::stoul(text->substr(0, colon))),
                 static_cast<unsigned>(std::stoul(text->substr(colon + 1))));
}

bool IsPhysicalDisk(const WholeDiskFacts& disk) {
  const int rank = RankOf(disk.Name);
  if (rank < 0 || disk.Hidden || disk.Optical) return false;
  if (rank != kLoopRank) return true;  // a drive without medium is left out by its probe
  return disk.LoopAttached && disk.SizeSectors > 0 && !(disk.ReadOnly && disk.BackedBySquashfs);
}

bool PhysicalDiskNameBefore(const std::string& left, const std::string& right) {
  const int leftRank = RankOf(left);
  const int rightRank = RankOf(right);
  if (leftRank != rightRank) return leftRank < rightRank;
  if (leftRank >= 0 && leftRank < kOtherRank &&
      kFamilies[static_cast<std::size_t>(leftRank)].Suffix == SuffixRule::Letters) {
    // The kernel names the 27th sd disk sdaa: shorter names come first.
    if (left.size() != right.size()) return left.size() < right.size();
    return left < right;
  }
  const auto leftKey = std::make_tuple(LettersBeforeDigits(left), NumbersIn(left), std::string_view(left));
  const auto rightKey =
      std::make_tuple(LettersBeforeDigits(right), NumbersIn(right), std::string_view(right));
  return leftKey < rightKey;
}

bool DiskIsOptical(const std::string& diskName) {
  return diskName.starts_with("sr") || ReadSysfsNumber(kSysBlock / diskName / "device" / "type") == 5;
}

WholeDiskFacts ReadWholeDiskFacts(const std::string& diskName) {
  const fs::path block = kSysBlock / diskName;
  WholeDiskFacts facts;
  facts.Name = diskName;
  facts.Hidden = ReadSysfsNumber(block / "hidden") == 1;
  facts.Optical = DiskIsOptical(diskName);
  facts.SizeSectors = ReadSysfsNumber(block / "size").value_or(0);
  facts.ReadOnly = ReadSysfsNumber(block / "ro") == 1;
  const auto backing = ReadSysfsLine(block / "loop" / "backing_file");
  facts.LoopAttached = backing && !backing->empty();
  // Read through the loop device itself: its backing file's name may lead
  // to another file, or to none.
  facts.BackedBySquashfs = facts.LoopAttached && facts.ReadOnly && IsSquashfsImage("/dev/" + diskName);
  return facts;
}

std::vector<std::string> PhysicalDiskNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kSysBlock, error)) {
    std::string name = entry.path().filename().string();
    if (RankOf(name) < 0 || !IsPhysicalDisk(ReadWholeDiskFacts(name))) continue;
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
    if (component.size() > 3 && component.starts_with("ata") &&
        std::isdigit(static_cast<unsigned char>(component[3])))
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

}  // namespace drivecopy::linux_backend
