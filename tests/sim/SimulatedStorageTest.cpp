// What shares storage and what lives where, on the simulated machine.
#include <gtest/gtest.h>

#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

constexpr std::string_view Machine = R"({
  "physicalDrives": [{"number": 0, "size": "64 MiB", "layout": [
      {"startSector": 2048, "sectorCount": 40960, "number": 1, "type": 7},
      {"startSector": 43008, "sectorCount": 40960, "number": 2, "type": 7}]},
    {"number": 1, "size": "8 MiB"}],
  "volumes": [
    {"letter": "C", "partition": {"drive": 0, "entry": 0}, "inUse": true},
    {"letter": "D", "partition": {"drive": 0, "entry": 1}},
    {"letter": "R", "driveType": "removable", "size": "8 MiB", "inUse": true}],
  "occupants": [
    {"device": "\\\\.\\PhysicalDrive1", "firstSector": 100, "endSector": 200, "kind": "swap", "name": "swap area"},
    {"file": "D:\\disk.img", "kind": "loop", "name": "\\\\.\\Loop9"}]})";

TEST(SimulatedStorage, FilesLieOnTheirVolumesAndVolumesOnTheirPartitions) {
  auto machine = test_support::Machine(Machine);
  ASSERT_TRUE(machine);
  ASSERT_TRUE(machine->Open("D:\\a.img", OpenMode::CreateAlways).ok());
  constexpr SectorRange Whole{0, INT64_MAX};
  struct Case {
    const char* first;
    SectorRange firstRange;
    const char* second;
    SectorRange secondRange;
    bool shared;
  };
  const Case cases[] = {
      {"D:\\images\\x.img", Whole, "\\\\.\\PhysicalDrive0", {43008, 50000}, true},
      {"D:\\images\\x.img", Whole, "\\\\.\\PhysicalDrive0", {0, 43008}, false},
      {"r:/x.img", Whole, "\\\\.\\R:", {0, 1}, true},
      {"/tmp/host.img", Whole, "\\\\.\\PhysicalDrive0", Whole, false},
      {"D:\\a.img", Whole, "d:/a.img", Whole, true},
      {"D:\\a.img", Whole, "D:\\b.img", Whole, false},  // two files on one volume
      {"\\\\.\\C:", {0, 10}, "\\\\.\\PhysicalDrive0", {2048, 2049}, true},
      {"\\\\.\\C:", {0, 10}, "\\\\.\\PhysicalDrive0", {0, 2048}, false},
      {"\\\\.\\PhysicalDrive0", {0, 10}, "\\\\.\\PhysicalDrive1", {0, 10}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.second);
    EXPECT_EQ(machine->SharesStorage(c.first, c.firstRange, c.second, c.secondRange), c.shared);
    EXPECT_EQ(machine->SharesStorage(c.second, c.secondRange, c.first, c.firstRange), c.shared);
  }
}

TEST(SimulatedStorage, VolumesInUseAndDescribedOccupantsStandInTheWay) {
  auto machine = test_support::Machine(Machine);
  ASSERT_TRUE(machine);
  struct Case {
    const char* path;
    SectorRange range;
    std::optional<std::string> occupant;
  };
  const Case cases[] = {
      {"\\\\.\\PhysicalDrive0", {0, 2048}, std::nullopt},
      {"\\\\.\\PhysicalDrive0", {0, 2049}, "C:"},
      // D: is not in use, but a loop device is made of a file on it.
      {"\\\\.\\physicaldrive0", {43008, 50000}, "\\\\.\\Loop9"},
      {"\\\\.\\C:", {0, 1}, "C:"},
      {"\\\\.\\R:", {100, 200}, "R:"},
      {"\\\\.\\PhysicalDrive1", {0, 100}, std::nullopt},
      {"\\\\.\\PhysicalDrive1", {199, 300}, "swap area"},
      {"d:/disk.img", {}, "\\\\.\\Loop9"},
      {"D:\\other.img", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const auto occupants = machine->OccupantsOf(c.path, c.range);
    EXPECT_EQ(occupants.empty() ? std::nullopt : std::optional(occupants.front().Name), c.occupant);
  }
}

TEST(SimulatedStorage, SameFileComparesDevicesAndHostFiles) {
  auto machine = test_support::Machine(Machine);
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
