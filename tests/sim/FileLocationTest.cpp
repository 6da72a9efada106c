// Where a file lives and which volume is in the way, on the simulated machine.
#include <gtest/gtest.h>

#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

constexpr std::string_view Machine = R"({
  "physicalDrives": [{"number": 0, "size": "64 MiB", "layout": [
      {"startSector": 2048, "sectorCount": 40960, "number": 1, "type": 7},
      {"startSector": 43008, "sectorCount": 40960, "number": 2, "type": 7}]}],
  "volumes": [
    {"letter": "C", "partition": {"drive": 0, "entry": 0}, "inUse": true},
    {"letter": "D", "partition": {"drive": 0, "entry": 1}},
    {"letter": "R", "driveType": "removable", "size": "8 MiB", "inUse": true}]})";

TEST(SimulatedFileLocation, FilesLiveOnTheirVolumesPartition) {
  auto machine = sim_test::Machine(Machine);
  ASSERT_TRUE(machine);
  const auto onD = machine->LocateFile("D:\\images\\x.img");
  ASSERT_TRUE(onD.has_value());
  EXPECT_EQ(onD->DevicePath, "\\\\.\\PhysicalDrive0");
  EXPECT_EQ(onD->Range, (SectorRange{43008, 43008 + 40960}));
  const auto onR = machine->LocateFile("r:/x.img");
  ASSERT_TRUE(onR.has_value());
  EXPECT_EQ(onR->DevicePath, "\\\\.\\R:");
  EXPECT_EQ(onR->Range, (SectorRange{0, 16384}));
  EXPECT_FALSE(machine->LocateFile("/tmp/host.img").has_value());
  EXPECT_FALSE(machine->LocateFile("Q:\\nowhere.img").has_value());
}

TEST(SimulatedFileLocation, VolumesInUseStandInTheWay) {
  auto machine = sim_test::Machine(Machine);
  ASSERT_TRUE(machine);
  struct Case {
    const char* device;
    SectorRange range;
    std::optional<std::string> mount;
  };
  const Case cases[] = {
      {"\\\\.\\PhysicalDrive0", {0, 2048}, std::nullopt},
      {"\\\\.\\PhysicalDrive0", {0, 2049}, "C:"},
      {"\\\\.\\physicaldrive0", {43008, 50000}, std::nullopt},  // D: is not in use
      {"\\\\.\\C:", {0, 1}, "C:"},
      {"\\\\.\\R:", {100, 200}, "R:"},
      {"\\\\.\\PhysicalDrive1", {0, 100000}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    EXPECT_EQ(machine->MountedFileSystemIn(c.device, c.range), c.mount);
  }
}

TEST(SimulatedFileLocation, SameFileComparesDevicesAndHostFiles) {
  auto machine = sim_test::Machine(Machine);
  ASSERT_TRUE(machine);
  auto created = machine->Open("D:\\a.img", OpenMode::CreateAlways);
  ASSERT_TRUE(created.ok());
  EXPECT_TRUE(machine->IsSameFile("D:\\a.img", "d:/a.img"));
  EXPECT_FALSE(machine->IsSameFile("D:\\a.img", "D:\\b.img"));
  EXPECT_TRUE(machine->IsSameFile("\\\\.\\PhysicalDrive0", "\\\\.\\physicaldrive0"));
  EXPECT_FALSE(machine->IsSameFile("\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1"));
}

}  // namespace
}  // namespace drivecopy
