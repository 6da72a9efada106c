// A mounted file system on a partition of a loop disk, as the volume
// functions and the disk probe see it.
#include <gtest/gtest.h>

#include <algorithm>

#include "LoopDevice.h"
#include "disk/DriveProbe.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

using test_support::LoopDevice;

TEST(LoopMountedVolume, IsListedWithItsDeviceAndAnswersAsItsPartition) {
  SKIP_WITHOUT_LOOP_DEVICES();
  constexpr std::int64_t kDiskBytes = 64LL << 20;
  LoopDevice disk(kDiskBytes);
  disk.WritePartitionTable("label: dos\nstart=2048, size=65536, type=83\n", {1});
  disk.MakeExt4(1);
  const std::string mountPoint = disk.Mount(1);
  auto platform = MakeLinuxPlatform();

  auto drives = platform->LogicalDrives();
  auto listed = std::find_if(drives.begin(), drives.end(),
                             [&](const LogicalDrive& drive) { return drive.RootPath == mountPoint; });
  ASSERT_NE(listed, drives.end()) << mountPoint << " is not among the logical drives";
  EXPECT_EQ(listed->DevicePath, disk.PartitionPath(1));
  EXPECT_EQ(listed->DriveName, mountPoint);
  EXPECT_FALSE(listed->IsFloppySlot);
  EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end(), [](const LogicalDrive& a, const LogicalDrive& b) {
    return !a.IsFloppySlot && !b.IsFloppySlot && a.RootPath < b.RootPath;
  }));

  EXPECT_EQ(platform->QueryDriveType(mountPoint), DriveFixed);
  EXPECT_EQ(platform->QueryDriveType(mountPoint + "/not-a-mount-point"), DriveNoRootDir);
  auto volume = platform->QueryVolumeInformation(mountPoint);
  ASSERT_TRUE(volume.has_value());
  EXPECT_EQ(volume->FileSystemName, "ext4");
  EXPECT_FALSE(platform->QueryVolumeInformation(mountPoint + "/lost+found").has_value());

  // A file that does not exist yet still lies on the volume of its folder.
  auto target = platform->QueryVolumeOfPath(mountPoint + "/images/new/disk.img");
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(target->FileSystemName, "ext4");
  auto space = platform->QueryFreeSpace(mountPoint + "/disk.img");
  ASSERT_TRUE(space.has_value());
  EXPECT_GT(space->FreeBytes, 0);
  EXPECT_LE(space->TotalBytes, 65536LL * 512);

  DriveProbe partition(*platform, listed->DevicePath);
  ASSERT_TRUE(partition.HasPartitionInfo);
  EXPECT_EQ(partition.PartitionInfo.StartingOffset, 2048 * 512);
  EXPECT_EQ(partition.PartitionInfo.PartitionLength, 65536 * 512);
  EXPECT_EQ(partition.PartitionInfo.PartitionNumber, 1u);
  EXPECT_EQ(partition.PartitionInfo.HiddenSectors, 2048u);
  EXPECT_EQ(partition.PartitionInfo.PartitionType, 0x83);
  DriveProbe wholeDisk(*platform, disk.DevicePath());
  ASSERT_TRUE(partition.HasGeometry);
  EXPECT_EQ(partition.Geometry, wholeDisk.Geometry);
  EXPECT_EQ(partition.TotalBytes, 65536 * 512);
  // Same disk: the lists match a volume to its drive by this product.
  EXPECT_EQ(partition.GeometryBytes, wholeDisk.GeometryBytes);
}

}  // namespace
}  // namespace drivecopy
