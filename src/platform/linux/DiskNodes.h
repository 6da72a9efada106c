#pragma once
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SectorRange.h"

namespace drivecopy::linux_backend {

// A kernel block device node of one disk: the whole disk or a partition.
struct DiskNode {
  std::string Name;   // "sda", "sda1", "loop3p2"
  dev_t Device = 0;   // its device number
  SectorRange Range;  // on the whole disk, in 512-byte sectors
  bool IsWholeDisk = false;
  int Number = 0;  // the partition's number (sysfs "partition"); 0 for the whole disk
  std::string Path() const { return "/dev/" + Name; }
};

// The disk a block device belongs to, with all its nodes (the whole disk
// first, then its partitions by number).
struct DiskNodes {
  std::vector<DiskNode> Nodes;
  const DiskNode& WholeDisk() const { return Nodes.front(); }
  // The node with this device number; nullptr when it is none of them.
  const DiskNode* Find(dev_t device) const;
  // The nodes whose range overlaps `onDisk`, the whole disk always first.
  std::vector<DiskNode> Overlapping(SectorRange onDisk) const;
};

// The nodes of the disk that the block device `device` is (or is a
// partition of); nullopt when sysfs does not know it.
std::optional<DiskNodes> NodesOfDisk(dev_t device);

// `range` counted from the start of block device `device`, made
// disk-absolute.
std::optional<SectorRange> RangeOnDisk(const DiskNodes& disk, dev_t device, SectorRange range);

// The partition nodes of the whole disk at `diskPath`, by number; empty when
// the path is no whole disk (a partition, a file) or the kernel shows none.
std::vector<PartitionNode> KernelPartitionNodes(const std::string& diskPath);

// The device number of the block device at `path` (symbolic links followed).
std::optional<dev_t> BlockDeviceNumber(const std::string& path);

}  // namespace drivecopy::linux_backend
