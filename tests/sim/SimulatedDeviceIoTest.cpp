// Raw transfers on simulated devices: damaged sectors, short reads, the
// volume window onto its disk, and the fill stamps.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

using test_support::Machine;
using test_support::OpenOrFail;

struct ReadCase {
  const char* name;
  bool shortReads;
  std::int64_t firstSector;
  std::int64_t sectors;
  std::int64_t expectedBytes;  // -1: the read fails with the data error
};

class ReadAcrossUnreadableSector : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadAcrossUnreadableSector, FailsOrStopsBeforeIt) {
  const ReadCase& c = GetParam();
  auto machine = Machine(std::string(R"({"physicalDrives": [{"number": 0, "size": "1 MiB",
      "unreadableSectors": [5, [200, 210]], "shortReads": )") +
                         (c.shortReads ? "true" : "false") + "}]}");
  ASSERT_TRUE(machine);
  auto drive = OpenOrFail(*machine, "\\\\.\\PhysicalDrive0");
  ASSERT_TRUE(drive);
  ASSERT_TRUE(drive->Seek(c.firstSector * 512).ok());
  std::vector<std::byte> buffer(static_cast<std::size_t>(c.sectors * 512));
  auto read = drive->Read(buffer);
  if (c.expectedBytes < 0) {
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().systemCode, 23);
    EXPECT_EQ(read.error().text, "Data error (cyclic redundancy check).");
  } else {
    ASSERT_TRUE(read.ok()) << read.error().text;
    EXPECT_EQ(static_cast<std::int64_t>(*read), c.expectedBytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadAcrossUnreadableSector,
                         ::testing::Values(ReadCase{"BlockCoveringItFails", false, 0, 128, -1},
                                           ReadCase{"SingleBadSectorFails", false, 5, 1, -1},
                                           ReadCase{"NeighbourReads", false, 6, 1, 512},
                                           ReadCase{"ShortReadStopsBeforeIt", true, 0, 128, 5 * 512},
                                           ReadCase{"ShortReadStartingOnItFails", true, 5, 4, -1},
                                           ReadCase{"ShortReadIntoRange", true, 128, 128, 72 * 512},
                                           ReadCase{"RangeEndIsInclusive", false, 210, 1, -1},
                                           ReadCase{"AfterRangeReads", false, 211, 1, 512},
                                           ReadCase{"ReadAtTheEndGivesNothing", false, 2048, 1, 0},
                                           ReadCase{"ReadOverTheEndIsShort", false, 2040, 16, 8 * 512}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatedDeviceIo, UnwritableSectorFailsTheWholeWriteAndChangesNothing) {
  auto machine =
      Machine(R"({"physicalDrives": [{"number": 0, "size": "1 MiB", "unwritableSectors": [[10, 11]]}]})");
  ASSERT_TRUE(machine);
  auto drive = OpenOrFail(*machine, "\\\\.\\PhysicalDrive0", OpenMode::ReadWrite);
  ASSERT_TRUE(drive);
  const std::vector<std::byte> ones(4 * 512, std::byte{0xAB});

  ASSERT_TRUE(drive->Seek(8 * 512).ok());
  auto refused = drive->Write(ones);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().systemCode, 29);

  std::vector<std::byte> back(4 * 512, std::byte{0x11});
  ASSERT_TRUE(drive->Seek(8 * 512).ok());
  ASSERT_TRUE(drive->Read(back).ok());
  EXPECT_EQ(back, std::vector<std::byte>(4 * 512));

  ASSERT_TRUE(drive->Seek(12 * 512).ok());
  ASSERT_TRUE(drive->Write(ones).ok());
  ASSERT_TRUE(drive->Seek(12 * 512).ok());
  ASSERT_TRUE(drive->Read(back).ok());
  EXPECT_EQ(back, ones);

  ASSERT_TRUE(drive->Seek((1 << 20) - 512).ok());
  auto pastEnd = drive->Write(ones);
  ASSERT_FALSE(pastEnd.ok());
  EXPECT_EQ(pastEnd.error().systemCode, 27);
}

TEST(SimulatedDeviceIo, ReadOnlyHandleRefusesWrites) {
  auto machine = Machine(R"({"physicalDrives": [{"number": 0, "size": "1 MiB"}]})");
  ASSERT_TRUE(machine);
  auto drive = OpenOrFail(*machine, "\\\\.\\PhysicalDrive0");
  ASSERT_TRUE(drive);
  auto refused = drive->Write(test_support::Bytes("x"));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().systemCode, 5);
}

TEST(SimulatedDeviceIo, VolumeIsAWindowOntoItsPartitionWithDiskSectorNumbers) {
  auto machine = Machine(R"({
    "physicalDrives": [{"number": 0, "size": "4 MiB", "fill": "T", "unreadableSectors": [2050],
      "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]}],
    "volumes": [{"letter": "C", "partition": {"drive": 0, "entry": 0}}]})");
  ASSERT_TRUE(machine);
  auto volume = OpenOrFail(*machine, "\\\\.\\C:", OpenMode::ReadWrite);
  ASSERT_TRUE(volume);
  EXPECT_EQ(*volume->Size(), 4096 * 512);
  std::vector<std::byte> sector(512);
  ASSERT_TRUE(volume->Read(sector).ok());
  EXPECT_EQ(test_support::Text(sector).c_str(), std::string("T PhysicalDrive0 sector 2048"));

  ASSERT_TRUE(volume->Seek(2 * 512).ok());
  auto bad = volume->Read(sector);
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().systemCode, 23);

  ASSERT_TRUE(volume->Seek(10 * 512).ok());
  ASSERT_TRUE(volume->Write(test_support::Bytes("written through C:")).ok());
  auto drive = OpenOrFail(*machine, "\\\\.\\PhysicalDrive0");
  ASSERT_TRUE(drive->Seek((2048 + 10) * 512).ok());
  ASSERT_TRUE(drive->Read(sector).ok());
  EXPECT_EQ(test_support::Text(sector).c_str(), std::string("written through C:"));

  auto layout = volume->QueryLayout();
  EXPECT_FALSE(layout.has_value());
}

TEST(SimulatedDeviceIo, FillStampsEveryMiBAndPartitionStartsButStaysSparse) {
  auto machine = Machine(R"({"physicalDrives": [{"number": 0, "size": "2 GiB", "fill": true,
      "layout": [{"startSector": 63, "sectorCount": 1000, "number": 1, "type": 6}]}]})");
  ASSERT_TRUE(machine);
  auto drive = OpenOrFail(*machine, "\\\\.\\PhysicalDrive0");
  ASSERT_TRUE(drive);
  std::vector<std::byte> sector(512);
  for (std::int64_t number : {0LL, 63LL, 66LL, 2048LL, 2047LL * 2048}) {
    ASSERT_TRUE(drive->Seek(number * 512).ok());
    ASSERT_TRUE(drive->Read(sector).ok());
    EXPECT_EQ(test_support::Text(sector).c_str(),
              "TALVO demo PhysicalDrive0 sector " + std::to_string(number));
  }
  ASSERT_TRUE(drive->Seek(67 * 512).ok());
  ASSERT_TRUE(drive->Read(sector).ok());
  EXPECT_EQ(sector, std::vector<std::byte>(512));

  const auto content = machine->ContentPath("\\\\.\\PhysicalDrive0");
  ASSERT_TRUE(content);
  EXPECT_EQ(std::filesystem::file_size(*content), 2ULL << 30);
}

TEST(SimulatedDeviceIo, TemporaryContentGoesWithTheMachine) {
  auto machine = Machine(R"({"physicalDrives": [{"number": 0, "size": "1 MiB"}],
                            "volumes": [{"letter": "G", "size": "1 MiB"}]})");
  ASSERT_TRUE(machine);
  const auto drive = machine->ContentPath("\\\\.\\PhysicalDrive0");
  const auto volume = machine->ContentPath("\\\\.\\G:");
  const auto folder = machine->VolumeDirectory('G');
  ASSERT_TRUE(drive && volume && folder);
  EXPECT_TRUE(std::filesystem::exists(*drive));
  machine.reset();
  EXPECT_FALSE(std::filesystem::exists(*drive));
  EXPECT_FALSE(std::filesystem::exists(*volume));
  EXPECT_FALSE(std::filesystem::exists(*folder));
}

TEST(SimulatedDeviceIo, NamedContentFileIsUsedInPlace) {
  test_support::ScratchFolder folder;
  {
    std::ofstream file(folder / "stick.bin", std::ios::binary);
    file << "STICK";
    file.seekp(4095);
    file.put('\0');
  }
  auto machine = Machine(R"({"physicalDrives": [{"number": 1, "contentFile": "stick.bin", "fill": true}]})",
                         folder.Path());
  ASSERT_TRUE(machine);
  auto drive = OpenOrFail(*machine, "\\\\.\\PhysicalDrive1");
  ASSERT_TRUE(drive);
  EXPECT_EQ(*drive->Size(), 4096);
  std::vector<std::byte> first(5);
  ASSERT_TRUE(drive->Read(first).ok());
  EXPECT_EQ(test_support::Text(first), "STICK");  // a named file is never stamped
}

TEST(SimulatedDeviceIo, DriveWithoutMediumReportsZeroLengthAndIsNotReady) {
  auto machine = Machine(R"({"physicalDrives": [{"number": 4, "size": "1 MiB", "noMedium": true}],
                            "floppies": [{"letter": "B", "medium": false}]})");
  ASSERT_TRUE(machine);
  auto reader = OpenOrFail(*machine, "\\\\.\\PhysicalDrive4");
  ASSERT_TRUE(reader);
  auto info = reader->QueryPartitionInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->PartitionLength, 0);
  EXPECT_FALSE(reader->QueryGeometry());
  std::vector<std::byte> sector(512);
  auto read = reader->Read(sector);
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().systemCode, 21);

  auto floppy = machine->Open("\\\\.\\B:", OpenMode::Read);
  ASSERT_FALSE(floppy.ok());
  EXPECT_EQ(floppy.error().text, "The device is not ready.");
}

}  // namespace
}  // namespace drivecopy
