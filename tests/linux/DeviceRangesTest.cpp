// What shares storage and which mounted file system is in the way, answered
// for real loop devices.
#include <gtest/gtest.h>

#include <fstream>

#include "LoopDevice.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

using test_support::LoopDevice;

TEST(LoopDeviceRanges, SharedStorageMountsInRangeAndSameFile) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(48LL << 20);
  disk.WritePartitionTable("label: dos\nstart=2048, size=32768, type=83\nstart=36864, size=16384, type=83\n",
                           {1, 2});
  disk.MakeExt4(1);
  const std::string mountPoint = disk.Mount(1);
  const std::string image = mountPoint + "/backup.img";
  std::ofstream(image) << "image bytes";
  auto platform = MakeLinuxPlatform();
  constexpr SectorRange Whole{0, INT64_MAX};

  struct Shared {
    std::string first;
    SectorRange firstRange;
    std::string second;
    SectorRange secondRange;
    bool shared;
  };
  const Shared sharing[] = {
      {image, Whole, disk.DevicePath(), {2048, 2049}, true},             // the file system's first sector
      {image, Whole, disk.DevicePath(), {36864, 36864 + 16384}, false},  // partition 2
      {mountPoint + "/not-yet.img",
       Whole,
       disk.PartitionPath(1),
       {0, 1},
       true},                                            // lands in its folder's file system
      {image, Whole, disk.BackingFile(), Whole, false},  // another file
      {disk.PartitionPath(2), {0, 10}, disk.DevicePath(), {36864 + 9, 36864 + 20}, true},
      {disk.PartitionPath(2), {0, 10}, disk.DevicePath(), {36864 + 10, 36864 + 20}, false},
      // The loop device is made of its backing file.
      {disk.DevicePath(), {0, 1}, disk.BackingFile(), Whole, true},
  };
  for (const Shared& c : sharing) {
    SCOPED_TRACE(c.first + " / " + c.second);
    EXPECT_EQ(platform->SharesStorage(c.first, c.firstRange, c.second, c.secondRange), c.shared);
    EXPECT_EQ(platform->SharesStorage(c.second, c.secondRange, c.first, c.firstRange), c.shared);
  }

  struct Mounted {
    std::string device;
    SectorRange range;
    bool inTheWay;
  };
  const Mounted mounted[] = {
      {disk.DevicePath(), {0, 2048}, false},               // the gap before partition 1
      {disk.DevicePath(), {2047, 2049}, true},             // touches its first sector
      {disk.DevicePath(), {36864, 36864 + 16384}, false},  // partition 2, not mounted
      {disk.DevicePath(), {0, 48LL << 11}, true},          // the whole disk
      {disk.PartitionPath(1), {0, 1}, true},               // counted from the partition's start
      {disk.PartitionPath(2), {0, 16384}, false},
  };
  for (const Mounted& c : mounted) {
    SCOPED_TRACE(c.device + " " + std::to_string(c.range.FirstSector));
    const auto occupants = platform->OccupantsOf(c.device, c.range);
    ASSERT_EQ(!occupants.empty(), c.inTheWay);
    if (!occupants.empty()) {
      EXPECT_EQ(occupants.front().Kind, OccupantKind::MountedFileSystem);
      EXPECT_EQ(occupants.front().Name, mountPoint);
    }
  }

  EXPECT_TRUE(platform->IsSameFile(image, mountPoint + "/./backup.img"));
  EXPECT_FALSE(platform->IsSameFile(image, disk.BackingFile()));
  EXPECT_TRUE(platform->IsSameFile(disk.DevicePath(), disk.DevicePath()));
  EXPECT_FALSE(platform->IsSameFile(disk.DevicePath(), disk.PartitionPath(1)));
}

}  // namespace
}  // namespace drivecopy
