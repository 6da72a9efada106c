// Partition tables of real (loop) block devices, as the disk probe sees them.
#include <gtest/gtest.h>

#include <vector>

#include "LoopDevice.h"
#include "disk/DriveProbe.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

using test_support::LoopDevice;

constexpr std::int64_t kDiskBytes = 64LL << 20;  // 131072 sectors

struct ExpectedEntry {
  std::uint32_t Number;
  std::int64_t StartSector;
  std::int64_t Sectors;
  std::uint8_t Type;
};

std::vector<PARTITION_INFORMATION> UsedEntries(const DRIVE_LAYOUT_INFORMATION& layout) {
  return {layout.PartitionEntry.begin(), layout.PartitionEntry.begin() + layout.PartitionCount};
}

void ExpectLayout(const DriveProbe& probe, const std::vector<ExpectedEntry>& expected) {
  ASSERT_TRUE(probe.HasLayout);
  auto entries = UsedEntries(probe.Layout);
  ASSERT_EQ(entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(entries[i].PartitionNumber, expected[i].Number);
    EXPECT_EQ(entries[i].StartingOffset, expected[i].StartSector * 512);
    EXPECT_EQ(entries[i].PartitionLength, expected[i].Sectors * 512);
    EXPECT_EQ(entries[i].PartitionType, expected[i].Type);
  }
  // The fixed record is zero past the used entries.
  EXPECT_EQ(probe.Layout.PartitionEntry[expected.size()], PARTITION_INFORMATION{});
}

TEST(LoopDiskLayout, MbrWithExtendedContainerAndLogicalPartitions) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(kDiskBytes);
  disk.WritePartitionTable(
      "label: dos\n"
      "label-id: 0x1a2b3c4d\n"
      "start=2048, size=16384, type=83\n"
      "start=18432, size=112640, type=5\n"
      "start=20480, size=16384, type=83\n"
      "start=38912, size=16384, type=82\n",
      {1, 5, 6});
  auto platform = MakeLinuxPlatform();
  DriveProbe probe(*platform, disk.DevicePath());

  ASSERT_TRUE(probe.HasPartitionInfo);
  EXPECT_EQ(probe.PartitionInfo.StartingOffset, 0);
  EXPECT_EQ(probe.PartitionInfo.PartitionLength, kDiskBytes);
  ASSERT_TRUE(probe.HasGeometry);
  EXPECT_EQ(probe.Geometry.TracksPerCylinder, 255u);
  EXPECT_EQ(probe.Geometry.SectorsPerTrack, 63u);
  EXPECT_EQ(probe.Geometry.BytesPerSector, 512u);
  EXPECT_EQ(probe.Geometry.Cylinders, kDiskBytes / (255 * 63 * 512));
  EXPECT_EQ(probe.Geometry.MediaType, FixedMedia);
  EXPECT_EQ(probe.TotalBytes, kDiskBytes);
  EXPECT_EQ(probe.Layout.Signature, 0x1a2b3c4du);
  ExpectLayout(
      probe,
      {{1, 2048, 16384, 0x83}, {0, 18432, 112640, 0x05}, {5, 20480, 16384, 0x83}, {6, 38912, 16384, 0x82}});
}

TEST(LoopDiskLayout, GptNumbersEntriesByTableSlotAndMapsTypeGuids) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(kDiskBytes);
  const std::string dev = disk.DevicePath() + "p";
  // Slot 4 stays empty, so numbering by list position would go wrong.
  disk.WritePartitionTable(
      "label: gpt\n" + dev + "1 : start=2048, size=8192, type=C12A7328-F81F-11D2-BA4B-00A0C93EC93B\n" + dev +
          "2 : start=10240, size=8192, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n" + dev +
          "3 : start=18432, size=8192, type=0FC63DAF-8483-4772-8E79-3D69D8477DE4\n" + dev +
          "5 : start=26624, size=8192, type=0657FD6D-A4AB-43C4-84E5-0933C84B4F4F\n" + dev +
          "6 : start=34816, size=8192, type=E6D6D379-F507-44C2-A23C-238F2A3DF928\n",
      {1, 2, 3, 5, 6});
  auto platform = MakeLinuxPlatform();
  DriveProbe probe(*platform, disk.DevicePath());

  ExpectLayout(probe, {{1, 2048, 8192, 0xEF},
                       {2, 10240, 8192, 0x07},
                       {3, 18432, 8192, 0x83},
                       {5, 26624, 8192, 0x82},
                       {6, 34816, 8192, 0xDA}});
}

TEST(LoopDiskLayout, DiskWithoutTableHasAnEmptyLayoutAndPartitionDeviceHasNone) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice blank(kDiskBytes);
  auto platform = MakeLinuxPlatform();
  DriveProbe blankProbe(*platform, blank.DevicePath());
  ASSERT_TRUE(blankProbe.HasLayout);
  EXPECT_EQ(blankProbe.Layout.PartitionCount, 0u);

  LoopDevice disk(kDiskBytes);
  disk.WritePartitionTable("label: dos\nstart=2048, size=16384, type=7\n", {1});
  DriveProbe partitionProbe(*platform, disk.PartitionPath(1));
  EXPECT_FALSE(partitionProbe.HasLayout);
  ASSERT_TRUE(partitionProbe.HasPartitionInfo);
  EXPECT_EQ(partitionProbe.PartitionInfo.PartitionType, 0x07);
}

TEST(LoopDiskLayout, AttachedLoopDiskIsNumberedAndNamed) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(kDiskBytes);
  auto platform = MakeLinuxPlatform();
  int number = -1;
  const int slots = platform->PhysicalDriveSlots();
  for (int n = 0; n < slots; ++n)
    if (platform->PhysicalDrivePath(n) == disk.DevicePath()) number = n;
  ASSERT_GE(number, 0) << disk.DevicePath() << " is not among the physical drives";

  auto model = platform->QueryDriveModel(number);
  EXPECT_EQ(model.Result, 1);
  EXPECT_EQ(model.Value, "Loop device (disk.img)");
  auto bus = platform->QueryDriveInterfaceType(number);
  EXPECT_EQ(bus.Result, 1);
  EXPECT_EQ(bus.Value, "");

  // Past the last disk: no path, no identity, and a probe that finds nothing.
  const int past = slots;
  EXPECT_EQ(platform->PhysicalDrivePath(past), "");
  EXPECT_EQ(platform->QueryDriveModel(past).Result, 0);
  DriveProbe missing(*platform, platform->PhysicalDrivePath(past));
  EXPECT_FALSE(missing.HasPartitionInfo || missing.HasGeometry || missing.HasLayout);
  EXPECT_EQ(missing.TotalBytes, 0);
}

}  // namespace
}  // namespace drivecopy
