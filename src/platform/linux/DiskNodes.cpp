#include "platform/linux/DiskNodes.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

const DiskNode* DiskNodes::Find(dev_t device) const {
  for (const DiskNode& node : Nodes)
    if (node.Device == device) return &node;
  return nullptr;
}

std::vector<DiskNode> DiskNodes::Overlapping(SectorRange onDisk) const {
  std::vector<DiskNode> found{WholeDisk()};
  for (std::size_t i = 1; i < Nodes.size(); ++i)
    if (Nodes[i].Range.Overlaps(onDisk)) found.push_back(Nodes[i]);
  return found;
}

std::optional<DiskNodes> NodesOfDisk(dev_t device) {
  const auto node = FindBlockNode(device);
  if (!node) return std::nullopt;
  const auto wholeDevice = ReadSysfsDeviceNumber(node->DiskSysfsDir);
  const auto wholeSize = ReadSysfsNumber(node->DiskSysfsDir / "size");
  if (!wholeDevice || !wholeSize) return std::nullopt;
  DiskNodes disk;
  // sysfs counts start and size in 512-byte units whatever the sector size.
  disk.Nodes.push_back(DiskNode{node->DiskName, *wholeDevice, SectorRange{0, *wholeSize}, true, 0});

  std::vector<DiskNode> partitions;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(node->DiskSysfsDir, error)) {
    if (!fs::exists(entry.path() / "partition", error)) continue;
    const auto partitionDevice = ReadSysfsDeviceNumber(entry.path());
    const auto number = ReadSysfsNumber(entry.path() / "partition");
    const auto start = ReadSysfsNumber(entry.path() / "start");
    const auto size = ReadSysfsNumber(entry.path() / "size");
    if (!partitionDevice || !number || !start || !size) continue;
    partitions.push_back(DiskNode{entry.path().filename().string(), *partitionDevice,
                                  SectorRange{*start, *start + *size}, false, static_cast<int>(*number)});
  }
  std::sort(partitions.begin(), partitions.end(),
            [](const DiskNode& a, const DiskNode& b) { return a.Number < b.Number; });
  disk.Nodes.insert(disk.Nodes.end(), partitions.begin(), partitions.end());
  return disk;
}

std::optional<SectorRange> RangeOnDisk(const DiskNodes& disk, dev_t device, SectorRange range) {
  const DiskNode* node = disk.Find(device);
  if (!node) return std::nullopt;
  const std::int64_t start = node->Range.FirstSector;
  return SectorRange{start + range.FirstSector, start + std::min(range.EndSector, node->Range.SectorCount())};
}

std::vector<PartitionNode> KernelPartitionNodes(const std::string& diskPath) {
  std::vector<PartitionNode> found;
  const auto device = BlockDeviceNumber(diskPath);
  if (!device) return found;
  const auto disk = NodesOfDisk(*device);
  if (!disk || disk->WholeDisk().Device != *device) return found;
  for (std::size_t i = 1; i < disk->Nodes.size(); ++i) {
    const DiskNode& node = disk->Nodes[i];
    found.push_back(PartitionNode{node.Path(), node.Number, node.Range});
  }
  return found;
}

std::optional<dev_t> BlockDeviceNumber(const std::string& path) {
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISBLK(status.st_mode)) return std::nullopt;
  return status.st_rdev;
}

}  // namespace drivecopy::linux_backend
