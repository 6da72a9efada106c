// How SOURCE and DESTINATION names on the command line find their rows.
#include "cli/DeviceNames.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "support/TransferRecordingPlatform.h"

namespace drivecopy {
namespace {

// A drive row as the lists make it on Linux, with partitions numbered
// `numbers` (one layout entry each) named as `drivecopy list` names them:
// by their node, or by drive and number where `nodeless` says the system
// shows no node for them.
void AddLinuxDrive(ListedDevices& devices, const std::string& path, const std::vector<std::uint32_t>& numbers,
                   const std::string& nodePrefix, bool nodeless = false) {
  ListedDrive drive;
  drive.Drive.Name = path;
  drive.Drive.Row.Caption = path;
  DriveRecord& record = drive.Drive.Row.Record;
  record.DevicePath = path;
  record.Kind = KindPhysicalDrive;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    auto& entry = record.Layout.PartitionEntry[i];
    entry.PartitionNumber = numbers[i];
    entry.PartitionType = 0x83;
    entry.StartingOffset = static_cast<std::int64_t>(2048 + i * 4096) * 512;
    entry.PartitionLength = 4096 * 512;
  }
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    NamedRow partition{drive.Drive.Row, {}};
    partition.Row.Record.Kind = KindPartition;
    partition.Row.Record.EntryIndex = static_cast<std::uint8_t>(i);
    partition.Row.Caption = path + " partition " + std::to_string(numbers[i]);
    partition.Name =
        nodeless ? path + "#" + std::to_string(numbers[i]) : nodePrefix + std::to_string(numbers[i]);
    drive.Partitions.push_back(partition);
  }
  devices.Drives.push_back(drive);
}

TEST(DeviceNames, LinuxNamesAreTakenExactlyAsListed) {
  ListedDevices devices;
  AddLinuxDrive(devices, "/dev/sdb", {1, 2}, "/dev/sdb");
  AddLinuxDrive(devices, "/dev/nvme0n1", {1}, "/dev/nvme0n1p");
  AddLinuxDrive(devices, "/dev/loop3", {1, 12}, "/dev/loop3p");
  AddLinuxDrive(devices, "/dev/loop31", {}, "/dev/loop31p");
  AddLinuxDrive(devices, "/dev/loop4", {1}, "/dev/loop4p", /*nodeless=*/true);

  struct Case {
    std::string Name;
    std::optional<NamedKind> Kind;  // nullopt: no row answers
    std::string Caption;
  };
  const std::vector<Case> cases = {
      {"/dev/sdb", NamedKind::Drive, "/dev/sdb"},
      {"/dev/sdb#2", NamedKind::Partition, "/dev/sdb partition 2"},
      {"/dev/sdb1", NamedKind::Partition, "/dev/sdb partition 1"},
      {"/dev/sdb2", NamedKind::Partition, "/dev/sdb partition 2"},
      {"/dev/sdbp1", std::nullopt, ""},  // not the node's name
      {"/dev/sdb3", std::nullopt, ""},   // no such partition
      {"/dev/sdb#", std::nullopt, ""},
      {"/dev/sdb#02", std::nullopt, ""},  // numbers are written as the list writes them
      {"/dev/sdb#+2", std::nullopt, ""},
      {"/dev/sdb# 2", std::nullopt, ""},
      {"/dev/nvme0n1p1", NamedKind::Partition, "/dev/nvme0n1 partition 1"},
      {"/dev/nvme0n11", std::nullopt, ""},
      {"/dev/nvme0n1#1", NamedKind::Partition, "/dev/nvme0n1 partition 1"},
      {"/dev/loop3p12", NamedKind::Partition, "/dev/loop3 partition 12"},
      {"/dev/loop3p012", std::nullopt, ""},
      {"/dev/loop3#012", std::nullopt, ""},
      {"/dev/loop31", NamedKind::Drive, "/dev/loop31"},  // a drive, not partition 1 of loop3
      {"/dev/loop4#1", NamedKind::Partition, "/dev/loop4 partition 1"},
      {"/dev/loop4p1", std::nullopt, ""},  // the system shows no such node
      {"/dev/SDB", std::nullopt, ""},      // Linux names keep their case
      {"", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    const auto found = FindListedDevice(devices, c.Name);
    ASSERT_EQ(found.has_value(), c.Kind.has_value()) << c.Name;
    if (!found) continue;
    EXPECT_EQ(found->Kind, *c.Kind) << c.Name;
    EXPECT_EQ(found->Row.Caption, c.Caption) << c.Name;
  }
}

TEST(DeviceNames, WindowsStyleNamesFindTheListedRecords) {
  auto machine = test_support::Machine(R"({
    "floppies": [{"letter": "A"}],
    "physicalDrives": [
      {"number": 0, "size": "64 MiB", "model": "Disk Zero",
       "layout": [{"startSector": 2048, "sectorCount": 40960, "number": 1, "type": "0x07"},
                  {"startSector": 43008, "sectorCount": 20480, "number": 0, "type": "0x05"},
                  {"startSector": 45056, "sectorCount": 18432, "number": 5, "type": "0x0C"}]}],
    "volumes": [{"letter": "C", "partition": {"drive": 0, "entry": 0}},
                {"letter": "D", "fileSystem": "FAT32", "partition": {"drive": 0, "entry": 2}}]})");
  ASSERT_TRUE(machine);
  const ListedDevices devices = ListDevices(*machine);

  struct Case {
    std::string Name;
    NamedKind Kind;
    std::uint8_t RecordKind;
    SectorRange Range;
  };
  const std::vector<Case> cases = {
      {"\\\\.\\PhysicalDrive0", NamedKind::Drive, KindPhysicalDrive, {0, 131072}},
      {"\\\\.\\physicaldrive0", NamedKind::Drive, KindPhysicalDrive, {0, 131072}},
      {"\\\\.\\PhysicalDrive0#1", NamedKind::Partition, KindPartition, {2048, 43008}},
      {"\\\\.\\PhysicalDrive0#5", NamedKind::Partition, KindPartition, {45056, 63488}},
      {"A:\\", NamedKind::Floppy, KindFloppy, {0, 2880}},
      {"a:", NamedKind::Floppy, KindFloppy, {0, 2880}},
      {"\\\\.\\A:", NamedKind::Floppy, KindFloppy, {0, 2880}},
      {"C:", NamedKind::Volume, KindFixedVolume, {2048, 43008}},
      {"d:\\", NamedKind::Volume, KindFixedVolume, {45056, 63488}},
  };
  for (const Case& c : cases) {
    const auto found = FindListedDevice(devices, c.Name);
    ASSERT_TRUE(found) << c.Name;
    EXPECT_EQ(found->Kind, c.Kind) << c.Name;
    EXPECT_EQ(found->Row.Record.Kind, c.RecordKind) << c.Name;
    EXPECT_EQ(RecordSectorRange(found->Row.Record), c.Range) << c.Name;
  }
  // The extended container (number 0) is no partition one can name.
  EXPECT_FALSE(FindListedDevice(devices, "\\\\.\\PhysicalDrive0#0"));

  // Each row's listed name finds that very row.
  for (const ListedDrive& drive : devices.Drives) {
    for (const NamedRow& row : drive.Partitions) {
      const auto found = FindListedDevice(devices, row.Name);
      ASSERT_TRUE(found) << row.Name;
      EXPECT_EQ(found->Row.Caption, row.Row.Caption) << row.Name;
    }
  }
  const std::vector<std::string> names{devices.Drives[0].Drive.Name, devices.Drives[1].Drive.Name,
                                       devices.Drives[1].Partitions[0].Name, devices.Volumes[1].Name};
  EXPECT_EQ(names, (std::vector<std::string>{"\\\\.\\A:", "\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive0#1",
                                             "C:"}));
}

TEST(DeviceNames, RegularFilesStandForWholeDrivesAndOtherNamesAreRefused) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(R"({"volumes": [{"letter": "C", "size": "1 MiB"}]})");
  ASSERT_TRUE(machine);
  const std::string file = folder / "disk.bin";
  std::ofstream(file, std::ios::binary) << std::string(5 * 512 + 100, 'x');

  const auto resolved = ResolveDeviceName(*machine, file);
  ASSERT_TRUE(std::holds_alternative<NamedDevice>(resolved));
  const NamedDevice& device = std::get<NamedDevice>(resolved);
  EXPECT_EQ(device.Kind, NamedKind::RegularFile);
  EXPECT_EQ(device.Row.Record.Kind, KindPhysicalDrive);
  EXPECT_EQ(device.Row.Record.DevicePath, file);
  EXPECT_EQ(RecordSectorRange(device.Row.Record), (SectorRange{0, 5}));

  const auto unknown = ResolveDeviceName(*machine, "Q:");
  ASSERT_TRUE(std::holds_alternative<std::string>(unknown));
  EXPECT_TRUE(std::get<std::string>(unknown).starts_with(
      "no drive, partition, floppy or volume is named Q:; see drivecopy list"));

  // An existing host path that is no regular file is never taken for one.
#ifdef _WIN32
  const std::vector<std::string> specials{folder.Path()};
#else
  const std::vector<std::string> specials{folder.Path(), "/dev/null"};
#endif
  for (const std::string& special : specials) {
    const auto refused = ResolveDeviceName(*machine, special);
    ASSERT_TRUE(std::holds_alternative<std::string>(refused)) << special;
    EXPECT_NE(std::get<std::string>(refused).find("is not a regular file"), std::string::npos)
        << std::get<std::string>(refused);
  }
}

// A machine one of whose drives never answers a look; every look is noted.
struct OneDriveHangs : test_support::TransferRecordingPlatform {
  OneDriveHangs(Platform& inner, std::string hung)
      : TransferRecordingPlatform(inner), Hung(std::move(hung)) {}
  Outcome<DeviceFacts> ProbeDevice(const std::string& path) override {
    Looked.push_back(path);
    if (path == Hung) {
      return Failure::OfSystemCall(110, "it gave no answer within 15 seconds", FailureKind::NotAnswering);
    }
    return Platform::ProbeDevice(path);
  }
  std::string Hung;
  std::vector<std::string> Looked;
};

TEST(DeviceNames, ANameIsResolvedToTheListedRowByLookingOnlyAtWhatItCanMean) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(R"({
    "floppies": [{"letter": "A"}],
    "physicalDrives": [
      {"number": 0, "size": "64 MiB", "model": "Disk Zero",
       "layout": [{"startSector": 2048, "sectorCount": 40960, "number": 1, "type": "0x07"},
                  {"startSector": 43008, "sectorCount": 20480, "number": 2, "type": "0x0C"}]},
      {"number": 1, "size": "64 MiB", "model": "Hung Disk",
       "layout": [{"startSector": 2048, "sectorCount": 40960, "number": 1, "type": "0x07"}]},
      {"number": 2, "size": "32 MiB", "model": "Disk Two"}],
    "volumes": [{"letter": "C", "partition": {"drive": 0, "entry": 0}}]})");
  ASSERT_TRUE(machine);
  const std::string hung = "\\\\.\\PhysicalDrive1";
  OneDriveHangs platform(*machine, hung);

  // The list goes on past the drive that does not answer, and names it.
  const ListedDevices listed = ListDevices(platform);
  ASSERT_EQ(listed.NotAnswering.size(), 1u);
  EXPECT_EQ(listed.NotAnswering[0].DevicePath, hung);
  EXPECT_EQ(listed.NotAnswering[0].DriveNumber, 1);
  EXPECT_EQ(listed.NotAnswering[0].Why.text, "it gave no answer within 15 seconds");
  std::vector<const NamedRow*> rows;
  for (const ListedDrive& drive : listed.Drives) {
    rows.push_back(&drive.Drive);
    for (const NamedRow& partition : drive.Partitions) rows.push_back(&partition);
  }
  for (const NamedRow& volume : listed.Volumes) rows.push_back(&volume);
  ASSERT_EQ(rows.size(), 7u);  // A:, drive 0 with two partitions, drive 2, the volumes A: and C:

  // Each listed name resolves to the very row the list shows, and looks at
  // no drive but the one it names (a drive's caption names the volumes on
  // it, which a system without partition nodes finds by looking at them).
  for (const NamedRow* row : rows) {
    SCOPED_TRACE(row->Name);
    platform.Looked.clear();
    const auto resolved = ResolveDeviceName(platform, row->Name);
    ASSERT_TRUE(std::holds_alternative<NamedDevice>(resolved)) << std::get<std::string>(resolved);
    const NamedDevice& device = std::get<NamedDevice>(resolved);
    const auto listedRow = FindListedDevice(listed, row->Name);  // the floppy, for the volume A:
    ASSERT_TRUE(listedRow);
    EXPECT_EQ(device.Kind, listedRow->Kind);
    EXPECT_EQ(device.Row.Caption, listedRow->Row.Caption);
    EXPECT_TRUE(device.Row.Record == listedRow->Row.Record);
    for (const std::string& looked : platform.Looked) {
      if (looked.starts_with("\\\\.\\PhysicalDrive")) EXPECT_EQ(looked, row->Row.Record.DevicePath);
    }
  }

  // A regular file: nothing is looked at, and only the file is opened.
  const std::string file = folder / "disk.bin";
  std::ofstream(file, std::ios::binary) << std::string(4 * 512, 'x');
  platform.Looked.clear();
  platform.Openings.clear();
  ASSERT_TRUE(std::holds_alternative<NamedDevice>(ResolveDeviceName(platform, file)));
  EXPECT_TRUE(platform.Looked.empty());
  ASSERT_EQ(platform.Openings.size(), 1u);
  EXPECT_EQ(platform.Openings[0].Path, file);

  // The drive that does not answer, named by itself or by its partition, is
  // refused with the reason, after one look at it alone.
  for (const std::string& name : {hung, hung + "#1"}) {
    SCOPED_TRACE(name);
    platform.Looked.clear();
    const auto refused = ResolveDeviceName(platform, name);
    ASSERT_TRUE(std::holds_alternative<std::string>(refused));
    EXPECT_EQ(std::get<std::string>(refused),
              "cannot open " + hung + ": it gave no answer within 15 seconds");
    EXPECT_EQ(platform.Looked, std::vector<std::string>{hung});
  }
}

}  // namespace
}  // namespace drivecopy
