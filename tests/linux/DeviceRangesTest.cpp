// Where a file lives and which mounted file system is in the way, answered
// for real loop devices.
#include <gtest/gtest.h>

#include <fstream>

#include "LoopDevice.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

using testing::LoopDevice;

TEST(LoopDeviceRanges, FileLocationMountsInRangeAndSameFile) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(48LL << 20);
  disk.WritePartitionTable(
      "label: dos\nstart=2048, size=32768, type=83\nstart=36864, size=16384, type=83\n", {1, 2});
  disk.MakeExt4(1);
  const std::string mountPoint = disk.Mount(1);
  const std::string image = mountPoint + "/backup.img";
  std::ofstream(image) << "image bytes";
  auto platform = MakeLinuxPlatform();

  const auto location = platform->LocateFile(image);
  ASSERT_TRUE(location.has_value());
  EXPECT_EQ(location->DevicePath, disk.DevicePath());
  EXPECT_EQ(location->Range, (SectorRange{2048, 2048 + 32768}));
  EXPECT_FALSE(platform->LocateFile(mountPoint + "/missing.img").has_value());

  struct Case {
    std::string device;
    SectorRange range;
    bool inTheWay;
  };
  const Case cases[] = {
      {disk.DevicePath(), {0, 2048}, false},              // the gap before partition 1
      {disk.DevicePath(), {2047, 2049}, true},            // touches its first sector
      {disk.DevicePath(), {36864, 36864 + 16384}, false}, // partition 2, not mounted
      {disk.DevicePath(), {0, 48LL << 11}, true},         // the whole disk
      {disk.PartitionPath(1), {0, 1}, true},              // counted from the partition's start
      {disk.PartitionPath(2), {0, 16384}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device + " " + std::to_string(c.range.FirstSector));
    const auto mount = platform->MountedFileSystemIn(c.device, c.range);
    EXPECT_EQ(mount.has_value(), c.inTheWay);
    if (mount) EXPECT_EQ(*mount, mountPoint);
  }

  EXPECT_TRUE(platform->IsSameFile(image, mountPoint + "/./backup.img"));
  EXPECT_FALSE(platform->IsSameFile(image, disk.BackingFile()));
  EXPECT_TRUE(platform->IsSameFile(disk.DevicePath(), disk.DevicePath()));
  EXPECT_FALSE(platform->IsSameFile(disk.DevicePath(), disk.PartitionPath(1)));
}

}  // namespace
}  // namespace drivecopy
