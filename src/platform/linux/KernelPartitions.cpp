#include "platform/linux/KernelPartitions.h"

#include <linux/blkpg.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "platform/linux/DiskNodes.h"
#include "platform/linux/ErrnoError.h"
#include "platform/linux/PartitionTable.h"

namespace drivecopy::linux_backend {

namespace {

// Partition number to its range, in 512-byte sectors.
using PartitionMap = std::map<int, SectorRange>;

PartitionMap KernelPartitions(dev_t device) {
  PartitionMap partitions;
  const auto disk = NodesOfDisk(device);
  if (!disk) return partitions;
  for (std::size_t i = 1; i < disk->Nodes.size(); ++i)
    partitions[disk->Nodes[i].Number] = disk->Nodes[i].Range;
  return partitions;
}

std::optional<PartitionMap> TablePartitions(const std::string& diskPath) {
  const auto table = ReadPartitionTable(diskPath);
  if (!table) return std::nullopt;
  PartitionMap partitions;
  for (const PARTITION_INFORMATION& entry : table->Entries) {
    if (entry.PartitionNumber == 0) continue;  // an extended container
    const std::int64_t start = entry.StartingOffset / 512;
    partitions[static_cast<int>(entry.PartitionNumber)] =
        SectorRange{start, start + entry.PartitionLength / 512};
  }
  return partitions;
}

int ChangePartition(int fd, int operation, int number, SectorRange range) {
  blkpg_partition partition{};
  partition.start = range.FirstSector * 512;
  partition.length = range.SectorCount() * 512;
  partition.pno = number;
  blkpg_ioctl_arg argument{};
  argument.op = operation;
  argument.datalen = sizeof partition;
  argument.data = &partition;
  return ::ioctl(fd, BLKPG, &argument) == 0 ? 0 : errno;
}

std::optional<Failure> TryToShow(int fd, const std::string& diskPath, dev_t device) {
  // EINVAL says only that the kernel does not read tables on this disk (a
  // loop device without partition scanning): it may still show partitions
  // added by hand, which are then brought in line one by one below. A disk
  // with no table and no partitions (a floppy) is already in line.
  (void)::ioctl(fd, BLKRRPART, 0);
  const auto wanted = TablePartitions(diskPath);
  if (!wanted) {
    return Failure::OfSystemCall(EIO, "the new partition table could not be read back")
        .Naming(BackendReason::PartitionTableNotReadBack);
  }
  const PartitionMap shown = KernelPartitions(device);
  if (shown == *wanted) return std::nullopt;

  for (const auto& [number, range] : shown) {
    auto kept = wanted->find(number);
    if (kept != wanted->end() && kept->second == range) continue;
    if (int error = ChangePartition(fd, BLKPG_DEL_PARTITION, number, range)) return ErrnoError(error);
  }
  for (const auto& [number, range] : *wanted) {
    auto there = shown.find(number);
    if (there != shown.end() && there->second == range) continue;
    if (int error = ChangePartition(fd, BLKPG_ADD_PARTITION, number, range)) return ErrnoError(error);
  }
  return std::nullopt;
}

}  // namespace

std::optional<Failure> ShowNewPartitionTable(int fd, const std::string& diskPath, dev_t device) {
  // Closing the job's write handle sets udev probing the disk, and a
  // partition it holds open for a moment makes the kernel answer "busy".
  std::optional<Failure> failure;
  for (int attempt = 0; attempt < 10; ++attempt) {
    failure = TryToShow(fd, diskPath, device);
    if (!failure || failure->systemCode != EBUSY) return failure;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return failure;
}

}  // namespace drivecopy::linux_backend
