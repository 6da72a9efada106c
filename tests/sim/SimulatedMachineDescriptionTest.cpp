// Loading descriptions: the demo machine, identity answers, and the errors a
// faulty description gives.
#include <gtest/gtest.h>

#include <fstream>

#include "disk/DriveProbe.h"
#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

using test_support::Machine;

TEST(DemoMachine, ShowsItsDisksFloppyVolumesAndService) {
  auto demo = MakeDemoMachine();
  ASSERT_TRUE(demo.ok()) << demo.error().text;
  Platform& machine = *demo.value();

  DriveProbe internal(machine, machine.PhysicalDrivePath(0));
  EXPECT_EQ(internal.TotalBytes, 512LL << 20);
  ASSERT_TRUE(internal.HasLayout);
  EXPECT_EQ(internal.Layout.PartitionEntry[0].PartitionType, 0x07);
  EXPECT_EQ(internal.Layout.PartitionEntry[1].PartitionNumber, 0u);  // the extended container
  EXPECT_EQ(internal.Layout.PartitionEntry[2].PartitionType, 0x0C);
  EXPECT_EQ(machine.QueryDriveInterfaceType(0).Value, "IDE");
  EXPECT_FALSE(machine.QueryDriveModel(0).Value.empty());

  DriveProbe stick(machine, machine.PhysicalDrivePath(1));
  EXPECT_EQ(stick.TotalBytes, 256LL << 20);
  EXPECT_EQ(machine.QueryDriveInterfaceType(1).Value, "USB");
  EXPECT_FALSE(DriveProbe(machine, machine.PhysicalDrivePath(2)).HasPartitionInfo);

  std::string letters;
  for (const auto& drive : machine.LogicalDrives()) letters += drive.DriveName;
  EXPECT_EQ(letters, "A:C:D:E:");
  EXPECT_EQ(DriveProbe(machine, "\\\\.\\A:").TotalBytes, 1'474'560);
  EXPECT_EQ(machine.QueryVolumeInformation("C:\\")->FileSystemName, "NTFS");
  EXPECT_EQ(machine.QueryVolumeInformation("D:\\")->FileSystemName, "FAT32");
  EXPECT_EQ(machine.QueryDriveType("E:\\"), DriveRemovable);
  EXPECT_EQ(DriveProbe(machine, "\\\\.\\D:").PartitionInfo, internal.Layout.PartitionEntry[2]);

  auto volume = machine.Open("\\\\.\\E:", OpenMode::Read);
  ASSERT_TRUE(volume.ok());
  std::vector<std::byte> sector(512);
  ASSERT_TRUE(volume.value()->Read(sector).ok());
  EXPECT_EQ(test_support::Text(sector).c_str(), std::string("TALVO demo PhysicalDrive1 sector 2048"));

  auto vss = machine.OpenService("", "VSS", ServiceAccess::Start);
  ASSERT_TRUE(vss.ok());
  EXPECT_EQ(vss.value()->QueryStatus()->CurrentState, ServiceStopped);
  EXPECT_TRUE(vss.value()->Start().Accepted);
  EXPECT_EQ(machine.ReadSetting("Language").Number, 2u);
}

TEST(SimulatedMachineDescription, IdentityAnswersCoverEveryOutcome) {
  auto machine = Machine(R"({"physicalDrives": [
      {"number": 0, "size": 512},
      {"number": 1, "size": 512, "model": null, "interfaceType": "SCSI"},
      {"number": 2, "size": 512, "model": {"result": 0}, "interfaceType": {"result": -1}}]})");
  ASSERT_TRUE(machine);
  struct Case {
    int drive;
    int modelResult;
    std::string model;
    int typeResult;
    std::string type;
  };
  for (const Case& c : {Case{0, 1, "Simulated Disk", 1, "IDE"}, Case{1, 1, "", 1, "SCSI"},
                        Case{2, 0, "", -1, ""}, Case{3, 0, "", 0, ""}}) {
    SCOPED_TRACE(c.drive);
    const IdentityAnswer model = machine->QueryDriveModel(c.drive);
    const IdentityAnswer type = machine->QueryDriveInterfaceType(c.drive);
    EXPECT_EQ(model.Result, c.modelResult);
    EXPECT_EQ(model.Value, c.model);
    EXPECT_EQ(type.Result, c.typeResult);
    EXPECT_EQ(type.Value, c.type);
  }
  auto unavailable = Machine(R"({"physicalDrives": [{"number": 0, "size": 512}],
                                "session": {"identityQueriesFail": true}})");
  ASSERT_TRUE(unavailable);
  EXPECT_EQ(unavailable->QueryDriveModel(0).Result, -1);
}

struct BadDescription {
  const char* json;
  const char* mentions;
};

class FaultyDescription : public ::testing::TestWithParam<BadDescription> {};

TEST_P(FaultyDescription, IsRefusedWithATextNamingTheFault) {
  auto machine = SimulatedMachine::Build(GetParam().json, ".");
  ASSERT_FALSE(machine.ok());
  EXPECT_EQ(machine.error().systemCode, 13);
  EXPECT_NE(machine.error().text.find(GetParam().mentions), std::string::npos) << machine.error().text;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultyDescription,
    ::testing::Values(
        BadDescription{R"({"physicalDrives": [{"number": 0, "sise": 512}]})", "unknown key \"sise\""},
        BadDescription{R"({"physicalDrives": [{"number": 0}]})", "needs \"size\""},
        BadDescription{R"({"physicalDrives": [{"number": 0, "size": "12 MB"}]})", "12 MB"},
        BadDescription{R"({"physicalDrives": [{"number": 0, "size": "99999999 TiB"}]})", "too large"},
        BadDescription{R"({"physicalDrives": [{"number": 0, "size": 512}, {"number": 0, "size": 512}]})",
                       "described twice"},
        BadDescription{R"({"physicalDrives": [{"number": 0, "size": 512, "layout": [
                         {"startSector": 0, "sectorCount": 2, "type": 7}]}]})",
                       "beyond the drive's size"},
        BadDescription{R"({"volumes": [{"letter": "C", "partition": {"drive": 0, "entry": 0}}]})",
                       "drive 0 is not described"},
        BadDescription{R"({"services": [{"name": "VSS", "start": []}]})", "non-empty"},
        BadDescription{R"({"physicalDrives": [)", "parse error"},
        BadDescription{R"({"physicalDrives": [{"number": 0, "contentFile": "no-such-file.bin"}]})",
                       "no-such-file.bin"}));

TEST(SimulatedMachineDescription, LoadsFromAFileWithPathsRelativeToIt) {
  test_support::ScratchFolder folder;
  std::ofstream(folder / "disk.bin", std::ios::binary) << std::string(1024, 'D');
  std::ofstream(folder / "machine.json") << R"({"physicalDrives": [{"number": 0, "contentFile": "disk.bin"}],
            "volumes": [{"letter": "X", "size": 512, "directory": "x-files"}]})";
  auto machine = LoadSimulatedMachine(folder / "machine.json");
  ASSERT_TRUE(machine.ok()) << machine.error().text;
  EXPECT_EQ(DriveProbe(*machine.value(), "\\\\.\\PhysicalDrive0").TotalBytes, 1024);
  ASSERT_TRUE(machine.value()->Open("X:\\note.txt", OpenMode::CreateAlways).ok());
  EXPECT_TRUE(std::filesystem::exists(folder / "x-files/note.txt"));

  auto missing = LoadSimulatedMachine(folder / "absent.json");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().systemCode, 2);
}

}  // namespace
}  // namespace drivecopy
