#include "platform/linux/DiskRequests.h"

#include <linux/fd.h>
#include <linux/fs.h>
#include <linux/major.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdint>

#include "platform/Units.h"
#include "platform/linux/PartitionTable.h"
#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {
namespace {

constexpr std::uint32_t kTracksPerCylinder = 255;
constexpr std::uint32_t kSectorsPerTrack = 63;

struct OpenBlockDevice {
  dev_t Device;
  BlockNode Node;
};

std::optional<OpenBlockDevice> BlockDeviceOf(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISBLK(status.st_mode)) return std::nullopt;
  auto node = FindBlockNode(status.st_rdev);
  if (!node) return std::nullopt;
  return OpenBlockDevice{status.st_rdev, *node};
}

bool IsFloppy(dev_t device) { return major(device) == FLOPPY_MAJOR; }

std::optional<std::int64_t> DeviceBytes(int fd) {
  std::uint64_t bytes = 0;
  if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0) return std::nullopt;
  return static_cast<std::int64_t>(bytes);
}

std::uint32_t LogicalSectorSize(int fd) {
  int size = 0;
  if (::ioctl(fd, BLKSSZGET, &size) != 0 || size <= 0) return static_cast<std::uint32_t>(BytesPerSector);
  return static_cast<std::uint32_t>(size);
}

// The partition's own entry in its disk's table, found by start sector so
// that the extended container (number 0 in the layout) is found too.
std::uint8_t TypeByteOfPartition(const BlockNode& node, std::int64_t startSector, std::uint32_t number) {
  auto table = ReadPartitionTable("/dev/" + node.DiskName);
  if (!table) return 0;  // the disk's table cannot be read: type unknown
  for (const auto& entry : table->Entries)
    if (entry.StartingOffset == startSector * BytesPerSector) return entry.PartitionType;
  for (const auto& entry : table->Entries)
    if (entry.PartitionNumber == number) return entry.PartitionType;
  return 0;
}

std::optional<DISK_GEOMETRY> FloppyGeometry(int fd) {
  floppy_struct format{};
  if (::ioctl(fd, FDGETPRM, &format) != 0 || format.sect == 0) return std::nullopt;
  DISK_GEOMETRY geometry;
  geometry.Cylinders = format.track;
  geometry.TracksPerCylinder = format.head;
  geometry.SectorsPerTrack = format.sect;
  geometry.BytesPerSector = static_cast<std::uint32_t>(BytesPerSector);
  const bool highDensity35 = format.track == 80 && format.head == 2 && format.sect == 18;
  geometry.MediaType = highDensity35 ? F3_1Pt44_512 : RemovableMedia;
  return geometry;
}

}  // namespace

std::optional<PARTITION_INFORMATION> QueryDevicePartitionInfo(int fd) {
  auto device = BlockDeviceOf(fd);
  if (!device || IsFloppy(device->Device)) return std::nullopt;
  PARTITION_INFORMATION info;
  if (!device->Node.IsPartition) {
    auto bytes = DeviceBytes(fd);
    if (!bytes) return std::nullopt;
    info.PartitionLength = *bytes;
    return info;
  }
  auto start = ReadSysfsNumber(device->Node.SysfsDir / "start");
  auto sectors = ReadSysfsNumber(device->Node.SysfsDir / "size");
  auto number = ReadSysfsNumber(device->Node.SysfsDir / "partition");
  if (!start || !sectors || !number) return std::nullopt;
  info.StartingOffset = *start * BytesPerSector;
  info.PartitionLength = *sectors * BytesPerSector;
  // Sector numbers above 32 bits cannot be shown in this field; keep the largest.
  info.HiddenSectors = *start > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(*start);
  info.PartitionNumber = static_cast<std::uint32_t>(*number);
  info.PartitionType = TypeByteOfPartition(device->Node, *start, info.PartitionNumber);
  info.RecognizedPartition = 1;
  return info;
}

std::optional<DISK_GEOMETRY> QueryDeviceGeometry(int fd) {
  auto device = BlockDeviceOf(fd);
  if (!device) return std::nullopt;
  if (IsFloppy(device->Device)) return FloppyGeometry(fd);

  std::optional<std::int64_t> diskBytes;
  if (device->Node.IsPartition) {
    if (auto sectors = ReadSysfsNumber(device->Node.DiskSysfsDir / "size"))
      diskBytes = *sectors * BytesPerSector;
  } else {
    diskBytes = DeviceBytes(fd);
  }
  if (!diskBytes) return std::nullopt;

  DISK_GEOMETRY geometry;
  geometry.BytesPerSector = LogicalSectorSize(fd);
  geometry.TracksPerCylinder = kTracksPerCylinder;
  geometry.SectorsPerTrack = kSectorsPerTrack;
  geometry.Cylinders = *diskBytes / (static_cast<std::int64_t>(kTracksPerCylinder) * kSectorsPerTrack *
                                     static_cast<std::int64_t>(geometry.BytesPerSector));
  auto removable = ReadSysfsNumber(device->Node.DiskSysfsDir / "removable");
  geometry.MediaType = (removable && *removable == 1) ? RemovableMedia : FixedMedia;
  return geometry;
}

std::optional<DRIVE_LAYOUT_INFORMATION> QueryDeviceLayout(int fd, const std::string& devicePath) {
  auto device = BlockDeviceOf(fd);
  if (!device || device->Node.IsPartition || IsFloppy(device->Device)) return std::nullopt;
  auto table = ReadPartitionTable(devicePath);
  if (!table) return std::nullopt;
  return MakeDriveLayout(table->Entries, table->Signature);
}

}  // namespace drivecopy::linux_backend
