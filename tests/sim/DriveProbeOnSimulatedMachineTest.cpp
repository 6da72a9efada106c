// The drive probe against simulated devices: the described sizing rules,
// the image test and the layout limit, seen through DriveProbe.
#include <gtest/gtest.h>

#include <fstream>

#include "disk/DriveProbe.h"
#include "image/ImageHeader.h"
#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

using test_support::Machine;

TEST(DriveProbeOnSimulatedMachine, MissingDriveInAGapReportsNothing) {
  auto machine =
      Machine(R"({"physicalDrives": [{"number": 0, "size": "1 MiB"}, {"number": 2, "size": "1 MiB"}]})");
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, machine->PhysicalDrivePath(1));
  EXPECT_FALSE(probe.HasGeometry || probe.HasPartitionInfo || probe.HasLayout || probe.IsImage);
  EXPECT_EQ(probe.TotalBytes, 0);
  EXPECT_EQ(probe.TotalSectors, 0);
  EXPECT_EQ(probe.GeometryBytes, 0);

  auto opened = machine->Open("\\\\.\\PhysicalDrive1", OpenMode::Read);
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.error().systemCode, 2);
  EXPECT_EQ(opened.error().text, "The system cannot find the file specified.");
  EXPECT_TRUE(DriveProbe(*machine, machine->PhysicalDrivePath(2)).HasGeometry);
}

TEST(DriveProbeOnSimulatedMachine, HighDensityFloppyIsSizedByItsGeometry) {
  auto machine = Machine(R"({"floppies": [{"letter": "A"}]})");
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, "\\\\.\\A:");
  EXPECT_TRUE(probe.HasGeometry);
  EXPECT_FALSE(probe.HasPartitionInfo);
  EXPECT_FALSE(probe.HasLayout);
  EXPECT_EQ(probe.TotalSectors, 2880);
  EXPECT_EQ(probe.TotalBytes, 1'474'560);
}

TEST(DriveProbeOnSimulatedMachine, ExactSizeWinsOverTheCylinderRoundedGeometry) {
  // 100 MiB is 12 whole cylinders of 255 x 63 sectors and a remainder.
  auto machine = Machine(R"({"physicalDrives": [{"number": 0, "size": "100 MiB"}]})");
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, machine->PhysicalDrivePath(0));
  EXPECT_EQ(probe.Geometry.Cylinders, 12);
  EXPECT_EQ(probe.GeometryBytes, 12LL * 255 * 63 * 512);
  EXPECT_EQ(probe.TotalBytes, 100LL << 20);
  EXPECT_EQ(probe.TotalSectors, (100LL << 20) / 512);
  EXPECT_EQ(probe.PartitionInfo.StartingOffset, 0);
}

struct TinyLengthCase {
  int size;
  std::int64_t totalBytes;
};

class TinyPartitionLength : public ::testing::TestWithParam<TinyLengthCase> {};

TEST_P(TinyPartitionLength, OverridesTheGeometryOnlyFromOneWholeSector) {
  const std::string json = R"({"physicalDrives": [{"number": 0, "size": )" + std::to_string(GetParam().size) +
                           R"(, "geometry": {"cylinders": 2, "tracksPerCylinder": 1, "sectorsPerTrack": 1,
                           "bytesPerSector": 512}}]})";
  auto machine = Machine(json);
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, machine->PhysicalDrivePath(0));
  EXPECT_EQ(probe.PartitionInfo.PartitionLength, GetParam().size);
  EXPECT_EQ(probe.GeometryBytes, 1024);
  EXPECT_EQ(probe.TotalBytes, GetParam().totalBytes);
}

INSTANTIATE_TEST_SUITE_P(Lengths, TinyPartitionLength,
                         ::testing::Values(TinyLengthCase{1, 1024}, TinyLengthCase{511, 1024},
                                           TinyLengthCase{512, 512}, TinyLengthCase{700, 700}));

TEST(DriveProbeOnSimulatedMachine, DriveWithoutGeometryAnswerIsSizedByItsPartitionInformation) {
  auto machine =
      Machine(R"({"physicalDrives": [{"number": 0, "size": 5000, "geometry": null, "layout": null}]})");
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, machine->PhysicalDrivePath(0));
  EXPECT_FALSE(probe.HasGeometry);
  EXPECT_FALSE(probe.HasLayout);
  EXPECT_EQ(probe.TotalBytes, 5000);
  EXPECT_EQ(probe.GeometryBytes, 0);
}

struct ImageCase {
  std::int32_t partitionCount;
  bool isImage;
};

class ImageFileProbe : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ImageFileProbe, ReadsTheStartListFromTheFirstSectorOnly) {
  test_support::ScratchFolder folder;
  ImageHeader header;
  header.PartitionCount = GetParam().partitionCount;
  std::array<std::byte, 512> sector{};
  const auto headerBytes = SerializeHeader(header);
  std::copy(headerBytes.begin(), headerBytes.end(), sector.begin());
  for (int i = 0; i < 55; ++i) sector[static_cast<std::size_t>(65 + 8 * i)] = std::byte(i + 1);
  const std::string path = folder / "disk.img";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(sector.data()), sector.size());

  auto machine = Machine("{}");
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, path);
  EXPECT_EQ(probe.IsImage, GetParam().isImage);
  if (GetParam().isImage) {
    ASSERT_EQ(probe.Header.PartitionStarts.size(), static_cast<std::size_t>(GetParam().partitionCount));
    if (GetParam().partitionCount > 0)
      EXPECT_EQ(probe.Header.PartitionStarts.back(), GetParam().partitionCount);
  }
  EXPECT_FALSE(probe.HasGeometry || probe.HasPartitionInfo || probe.HasLayout);
  EXPECT_EQ(probe.TotalBytes, 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, ImageFileProbe,
                         ::testing::Values(ImageCase{0, true}, ImageCase{55, true}, ImageCase{56, false}));

struct LayoutSizeCase {
  int entries;
  bool hasLayout;
};

class LayoutLimit : public ::testing::TestWithParam<LayoutSizeCase> {};

TEST_P(LayoutLimit, MoreThan101EntriesFailOnlyTheLayoutRequest) {
  const std::string json = R"({"physicalDrives": [{"number": 0, "size": "64 MiB", "layout": [
      {"startSector": 2048, "sectorCount": 64, "number": 1, "type": 7, "repeat": )" +
                           std::to_string(GetParam().entries) + "}]}]}";
  auto machine = Machine(json);
  ASSERT_TRUE(machine);
  DriveProbe probe(*machine, machine->PhysicalDrivePath(0));
  EXPECT_EQ(probe.HasLayout, GetParam().hasLayout);
  EXPECT_TRUE(probe.HasGeometry);
  EXPECT_TRUE(probe.HasPartitionInfo);
  EXPECT_EQ(probe.TotalBytes, 64LL << 20);
  if (GetParam().hasLayout) {
    const PARTITION_INFORMATION& last = probe.Layout.PartitionEntry[100];
    EXPECT_EQ(last.PartitionNumber, 101u);
    EXPECT_EQ(last.StartingOffset, (2048 + 100 * 64) * 512LL);
    EXPECT_EQ(last.HiddenSectors, 2048u + 100 * 64);
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, LayoutLimit,
                         ::testing::Values(LayoutSizeCase{101, true}, LayoutSizeCase{102, false}));

TEST(DriveProbeOnSimulatedMachine, VolumeAnswersItsPartitionAndItsDisksGeometry) {
  auto machine = Machine(R"({
    "physicalDrives": [{"number": 3, "size": "32 MiB", "layout": [
      {"startSector": 63, "sectorCount": 1000, "number": 1, "type": "0x0C"},
      {"startSector": 2048, "sectorCount": 4096, "number": 2, "type": 7, "hiddenSectors": 99}]}],
    "volumes": [{"letter": "F", "partition": {"drive": 3, "entry": 1}}]})");
  ASSERT_TRUE(machine);
  DriveProbe disk(*machine, machine->PhysicalDrivePath(3));
  DriveProbe volume(*machine, "\\\\.\\F:");
  EXPECT_TRUE(volume.HasPartitionInfo);
  EXPECT_EQ(volume.PartitionInfo, disk.Layout.PartitionEntry[1]);
  EXPECT_EQ(volume.PartitionInfo.HiddenSectors, 99u);
  EXPECT_EQ(volume.Geometry, disk.Geometry);
  EXPECT_EQ(volume.GeometryBytes, disk.GeometryBytes);
  EXPECT_FALSE(volume.HasLayout);
  EXPECT_EQ(volume.TotalBytes, 4096 * 512);
}

}  // namespace
}  // namespace drivecopy
