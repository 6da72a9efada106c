#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobs/CreateImageSetup.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

const std::string kDrive0 = R"(\\.\PhysicalDrive0)";
constexpr std::int64_t kMiB = 1024 * 1024;

// Drive 0 of 100 MiB: a primary partition, an extended container holding two
// logical partitions, and an entry of a damaged table that runs past the end.
const char* kMachine =
    R"({"physicalDrives": [{"number": 0, "size": "100 MiB", "model": "Disk A", "damagedLayout": true,
  "layout": [
    {"startSector": 2048,   "sectorCount": 10240,  "number": 1, "type": 7},
    {"startSector": 12288,  "sectorCount": 100000, "number": 0, "type": 5},
    {"startSector": 14336,  "sectorCount": 20000,  "number": 5, "type": "0x0C"},
    {"startSector": 36864,  "sectorCount": 20000,  "number": 6, "type": "0x83"},
    {"startSector": 200000, "sectorCount": 10000,  "number": 2, "type": 7}
  ]}]})";

DriveRecord WholeDrive(std::uint8_t kind, const std::string& path = kDrive0) {
  DriveRecord record;
  record.Kind = kind;
  record.DevicePath = path;
  record.DriveNumber = 0;
  record.PartitionInfo.PartitionLength = 100 * kMiB;
  return record;
}

TEST(CreateImageSetup, PartitionRangeDescriptionAndHeader) {
  auto machine = test_support::Machine(kMachine);
  DriveRecord record;
  record.Kind = KindPartition;
  record.DevicePath = kDrive0;
  record.EntryIndex = 3;
  record.Layout.PartitionEntry[3] = {1048576, 1073741824, 2048, 1, 7, 0, 0, 0};

  const auto source = PrepareCreateSource(*machine, record, {}, '.');
  ASSERT_TRUE(source);
  EXPECT_EQ(source->DevicePath, kDrive0);
  EXPECT_EQ(source->Range, (SectorRange{2048, 2048 + 2097152}));
  EXPECT_EQ(source->Description, "Disk A; Partition: 1;\r\nType: NTFS; Size: 1.00 GBytes ");
  const ImageHeader& h = source->Header;
  EXPECT_EQ(h.SourceKind, KindPartition);
  EXPECT_EQ(h.FirstSector, 2048);
  EXPECT_EQ(h.SectorCount, 2097152);
  EXPECT_EQ(h.LastSector, 2048 + 2097152);
  EXPECT_EQ(h.PartitionCount, 1);
  EXPECT_EQ(h.PartitionStarts, (std::vector<std::int64_t>{2048}));
}

struct DriveCase {
  std::string Name;
  std::uint8_t Kind;
  std::optional<std::string> Description;
};

class WholeDriveKinds : public ::testing::TestWithParam<DriveCase> {};

// Only numbered partitions that end within the drive are listed; a record of
// an unknown kind is set up as a whole drive but keeps the old description.
TEST_P(WholeDriveKinds, ListsNumberedPartitionsWithinTheDrive) {
  auto machine = test_support::Machine(kMachine);
  int pumps = 0;
  const auto source = PrepareCreateSource(
      *machine, WholeDrive(GetParam().Kind), [&] { ++pumps; }, '.');
  ASSERT_TRUE(source);
  EXPECT_EQ(source->Range, (SectorRange{0, 204800}));
  EXPECT_EQ(source->Description, GetParam().Description);
  const ImageHeader& h = source->Header;
  EXPECT_EQ(h.SourceKind, KindPhysicalDrive);
  EXPECT_EQ(h.PartitionStarts, (std::vector<std::int64_t>{2048, 14336, 36864}));
  EXPECT_EQ(h.PartitionCount, 3);
  EXPECT_EQ(h.LastSector, 36864 + 20000);
  EXPECT_EQ(h.SectorCount, 204800);
  EXPECT_EQ(pumps, 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WholeDriveKinds,
                         ::testing::Values(DriveCase{"PhysicalDrive", KindPhysicalDrive,
                                                     "Disk A 100.00 MBytes "},
                                           DriveCase{"UnknownKind", 0x99, std::nullopt}),
                         [](const auto& info) { return info.param.Name; });

TEST(CreateImageSetup, DriveThatCannotBeProbedListsNoPartition) {
  auto machine = test_support::Machine(kMachine);
  const auto source =
      PrepareCreateSource(*machine, WholeDrive(KindPhysicalDrive, R"(\\.\PhysicalDrive4)"), {}, '.');
  ASSERT_TRUE(source);
  EXPECT_EQ(source->Header.PartitionCount, 0);
  EXPECT_TRUE(source->Header.PartitionStarts.empty());
  EXPECT_EQ(source->Header.LastSector, 0);
}

TEST(CreateImageSetup, FloppyAndLogicalDrive) {
  auto machine = test_support::Machine("{}");
  DriveRecord floppy;
  floppy.Kind = KindFloppy;
  floppy.DevicePath = R"(\\.\A:)";
  floppy.TotalBytes = 80 * 2 * 18 * 512;
  const auto f = PrepareCreateSource(*machine, floppy, {}, ',');
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Range, (SectorRange{0, 2880}));
  EXPECT_EQ(f->Description, "Floppy " + SizeText(1474560, ','));
  EXPECT_EQ(f->Header.SourceKind, KindFloppy);
  EXPECT_EQ(f->Header.LastSector, 2880);
  EXPECT_EQ(f->Header.PartitionStarts, (std::vector<std::int64_t>{0}));

  DriveRecord volume;
  volume.Kind = KindRemovableVolume;
  volume.RootPath = R"(E:\)";
  volume.DevicePath = R"(\\.\E:)";
  volume.PartitionInfo.StartingOffset = kMiB;
  volume.PartitionInfo.PartitionLength = 64 * kMiB;
  const auto v = PrepareCreateSource(*machine, volume, {}, '.');
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Range, (SectorRange{2048, 2048 + 131072}));
  EXPECT_EQ(v->Description, R"(E:\ 64.00 MBytes )");
  EXPECT_EQ(v->Header.SourceKind, KindRemovableVolume);
  EXPECT_EQ(v->Header.FirstSector, 2048);
  EXPECT_EQ(v->Header.LastSector, 2048 + 131072);
  EXPECT_EQ(v->Header.PartitionStarts, (std::vector<std::int64_t>{0}));
}

TEST(CreateImageSetup, RangeWithoutAWholeSectorIsRefused) {
  auto machine = test_support::Machine("{}");
  DriveRecord empty = WholeDrive(KindPhysicalDrive, R"(\\.\PhysicalDrive4)");
  empty.PartitionInfo.PartitionLength = 511;
  EXPECT_FALSE(PrepareCreateSource(*machine, empty, {}, '.'));
  DriveRecord floppy;
  floppy.Kind = KindFloppy;
  EXPECT_FALSE(PrepareCreateSource(*machine, floppy, {}, '.'));
}

TEST(CreateImageSetup, ReadOnlyValidPartitionsMovesTheEnd) {
  ImageHeader h;
  h.FirstSector = 0;
  h.SectorCount = 204800;
  h.LastSector = 56864;
  EXPECT_EQ(ValidPartitionsEnd(h, true), 56864);
  EXPECT_EQ(ValidPartitionsEnd(h, false), 204800);
  h.LastSector = 0;  // no listed partition: the whole drive rather than nothing
  EXPECT_EQ(ValidPartitionsEnd(h, true), 204800);
}

}  // namespace
}  // namespace drivecopy
