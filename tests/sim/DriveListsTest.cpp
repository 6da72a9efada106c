// The rows of the drive, partition and logical drive lists on a machine set
// up with the awkward cases: a gap in the drive numbers, floppies with and
// without a disk, volumes of every type, a damaged table.
#include <gtest/gtest.h>

#include "disk/DriveLists.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

constexpr std::string_view Workstation = R"({
  "floppies": [{"letter": "A"}, {"letter": "B", "medium": false}],
  "physicalDrives": [
    {"number": 0, "size": "100 MiB", "model": "Disk Zero", "interfaceType": "IDE",
     "layout": [
       {"startSector": 2048,  "sectorCount": 40960, "number": 1, "type": "0x07"},
       {"startSector": 43008, "sectorCount": 161792, "number": 0, "type": "0x0F"},
       {"startSector": 45056, "sectorCount": 40960, "number": 2, "type": "0x0C"},
       {"startSector": 88064, "sectorCount": 40960, "number": 3, "type": "0x83"}]},
    {"number": 2, "size": "64 MiB", "model": null, "interfaceType": "USB", "damagedLayout": true,
     "layout": [
       {"startSector": 2048, "sectorCount": 20480, "number": 1, "type": "0x0B"},
       {"startSector": 100000, "sectorCount": 50000, "number": 2, "type": "0x07"}]},
    {"number": 3, "size": "32 MiB", "noMedium": true}],
  "volumes": [
    {"letter": "C", "partition": {"drive": 0, "entry": 0}},
    {"letter": "D", "fileSystem": "FAT32", "partition": {"drive": 0, "entry": 2}},
    {"letter": "F", "driveType": "removable", "fileSystem": "FAT32", "partition": {"drive": 2, "entry": 0}},
    {"letter": "G", "driveType": "cdrom", "fileSystem": "CDFS", "size": "600 MiB"},
    {"letter": "H", "fileSystem": null, "partition": {"drive": 0, "entry": 3}},
    {"letter": "N", "driveType": "remote", "size": "1 GiB"}]})";

std::vector<std::string> Captions(const std::vector<DriveRow>& rows) {
  std::vector<std::string> captions;
  for (const DriveRow& row : rows) captions.push_back(row.Caption);
  return captions;
}

TEST(DriveLists, PhysicalRowsShowFloppiesDrivesAndTheirLetters) {
  auto machine = test_support::Machine(Workstation);
  ASSERT_TRUE(machine);
  const DriveLists lists(*machine);
  const PhysicalDriveListing listing = lists.PhysicalDriveRows({});

  // B: has no disk, drive 1 does not exist, drive 3 has no medium.
  EXPECT_EQ(Captions(listing.Rows),
            (std::vector<std::string>{"A:\\ 1.41 MBytes ", "[ C: D:  ] Disk Zero 100.00 MBytes ",
                                      "[ F:  ]  64.00 MBytes "}));
  EXPECT_FALSE(listing.ShowAdminRightsMessage);
  ASSERT_EQ(listing.Rows.size(), 3u);
  const DriveRow& floppy = listing.Rows[0];
  EXPECT_EQ(floppy.ImageIndex, DriveImageFloppy);
  EXPECT_EQ(floppy.Record.Kind, KindFloppy);
  EXPECT_EQ(floppy.Record.DriveNumber, -1);
  EXPECT_EQ(floppy.Record.RootPath, "A:\\");
  EXPECT_EQ(RecordSectorRange(floppy.Record), (SectorRange{0, 2880}));
  EXPECT_EQ(listing.Rows[1].ImageIndex, DriveImageHardDisk);
  EXPECT_EQ(listing.Rows[1].Record.DevicePath, "\\\\.\\PhysicalDrive0");
  EXPECT_EQ(listing.Rows[2].ImageIndex, DriveImageUsb);
  EXPECT_EQ(listing.Rows[2].Record.DriveNumber, 2);
  EXPECT_EQ(RecordSectorRange(listing.Rows[2].Record), (SectorRange{0, 131072}));
}

TEST(DriveLists, PartitionRowsLeaveOutContainersAndEntriesBeyondTheDrive) {
  auto machine = test_support::Machine(Workstation);
  ASSERT_TRUE(machine);
  const DriveLists lists(*machine);
  const auto drives = lists.PhysicalDriveRows({}).Rows;
  ASSERT_EQ(drives.size(), 3u);

  const auto disk0 = lists.PartitionRows(drives[1].Record, {});
  EXPECT_EQ(Captions(disk0),
            (std::vector<std::string>{"[ C: ] Disk Zero; Partition: 1; Type: NTFS; Size: 20.00 MBytes ",
                                      "[ D: ] Disk Zero; Partition: 2; Type: FAT32; Size: 20.00 MBytes ",
                                      // H: has no recognised file system, so it is not ready and not shown.
                                      "Disk Zero; Partition: 3; Type: Linux; Size: 20.00 MBytes "}));
  ASSERT_EQ(disk0.size(), 3u);
  EXPECT_EQ(disk0[1].Record.EntryIndex, 2);
  EXPECT_EQ(RecordSectorRange(disk0[1].Record), (SectorRange{45056, 45056 + 40960}));

  // The second entry of drive 2 ends beyond the drive: no row for it.
  const auto disk2 = lists.PartitionRows(drives[2].Record, {});
  EXPECT_EQ(Captions(disk2),
            (std::vector<std::string>{"[ F: ] ; Partition: 1; Type: FAT32; Size: 10.00 MBytes "}));
  EXPECT_EQ(disk2[0].ImageIndex, DriveImageUsb);
}

TEST(DriveLists, TheCloneSourceIsNotOfferedAgain) {
  auto machine = test_support::Machine(Workstation);
  ASSERT_TRUE(machine);
  const DriveLists lists(*machine);
  const auto drives = lists.PhysicalDriveRows({}).Rows;

  const CloneEndpoint sourceDrive{"\\\\.\\PhysicalDrive0", KindPhysicalDrive, 0, 204800};
  EXPECT_EQ(Captions(lists.PhysicalDriveRows(sourceDrive).Rows),
            (std::vector<std::string>{"A:\\ 1.41 MBytes ", "[ F:  ]  64.00 MBytes "}));

  const CloneEndpoint sourcePartition{"\\\\.\\PhysicalDrive0", KindPartition, 2048, 43008};
  const auto partitions = lists.PartitionRows(drives[1].Record, sourcePartition);
  ASSERT_EQ(partitions.size(), 2u);
  EXPECT_EQ(partitions[0].Record.EntryIndex, 2);

  const CloneEndpoint sourceFloppy{"\\\\.\\A:", KindFloppy, 0, 2880};
  EXPECT_EQ(lists.PhysicalDriveRows(sourceFloppy).Rows.size(), 2u);
}

TEST(DriveLists, LogicalRowsAreReadyRemovableAndFixedVolumesInLetterOrder) {
  auto machine = test_support::Machine(Workstation);
  ASSERT_TRUE(machine);
  const auto rows = DriveLists(*machine).LogicalDriveRows();
  // The floppy in A: counts as a removable volume; the CD-ROM, the network
  // drive and the unformatted H: get no row.
  EXPECT_EQ(Captions(rows), (std::vector<std::string>{"A:\\ 1.41 MBytes ", "C:\\ 20.00 MBytes ",
                                                      "D:\\ 20.00 MBytes ", "F:\\ 10.00 MBytes "}));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].Record.Kind, KindRemovableVolume);
  EXPECT_EQ(rows[1].Record.Kind, KindFixedVolume);
  EXPECT_EQ(rows[1].ImageIndex, DriveImageHardDisk);
  EXPECT_EQ(rows[3].ImageIndex, DriveImageRemovable);
  EXPECT_EQ(RecordSectorRange(rows[1].Record), (SectorRange{2048, 2048 + 40960}));
}

TEST(DriveLists, PhysicalDrivesNeedAVolumeBesidesTheFloppies) {
  struct Case {
    const char* name;
    std::string_view machine;
    std::size_t rows;
    bool adminMessage;
  };
  const Case cases[] = {
      // Only floppies: the physical drives are not probed and nothing is said.
      {"floppy only", R"({"floppies": [{"letter": "A"}],
                          "physicalDrives": [{"number": 0, "size": "8 MiB"}]})",
       1, false},
      // A: and C: only: the drives are probed.
      {"floppy and C:", R"({"floppies": [{"letter": "A"}],
                            "physicalDrives": [{"number": 0, "size": "8 MiB",
                              "layout": [{"startSector": 64, "sectorCount": 1024, "number": 1, "type": 7}]}],
                            "volumes": [{"letter": "C", "partition": {"drive": 0, "entry": 0}}]})",
       2, false},
      // Volumes but no drive that opens: the admin-rights message.
      {"no drive opens", R"({"volumes": [{"letter": "C", "size": "8 MiB"}]})", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto machine = test_support::Machine(c.machine);
    ASSERT_TRUE(machine);
    const PhysicalDriveListing listing = DriveLists(*machine).PhysicalDriveRows({});
    EXPECT_EQ(listing.Rows.size(), c.rows);
    EXPECT_EQ(listing.ShowAdminRightsMessage, c.adminMessage);
  }
}

TEST(DriveLists, PumpsBetweenRows) {
  auto machine = test_support::Machine(Workstation);
  ASSERT_TRUE(machine);
  int pumps = 0;
  const DriveLists lists(*machine, [&pumps] { ++pumps; });
  lists.PhysicalDriveRows({});
  EXPECT_GT(pumps, 3);
}

}  // namespace
}  // namespace drivecopy
