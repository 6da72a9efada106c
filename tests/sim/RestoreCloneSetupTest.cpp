// The restore and clone set-up rules: a ticked row's range and description,
// the image size report, and the two-step clone choice.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "image/ImageHeader.h"
#include "jobs/CloneSetup.h"
#include "jobs/RestoreSetup.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/HostFileBytes.h"
#include "text/MessageCatalogue.h"

namespace drivecopy {
namespace {

const std::string Drive0 = "\\\\.\\PhysicalDrive0";

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

std::unique_ptr<SimulatedMachine> ModelMachine() {
  return test_support::Machine(
      R"({"physicalDrives": [{"number": 0, "size": "512 MiB", "model": "Test Disk"}]})");
}

DriveRecord PartitionRecord(std::int64_t startingOffset, std::int64_t length) {
  DriveRecord record;
  record.DevicePath = Drive0;
  record.Kind = KindPartition;
  record.EntryIndex = 1;
  record.Layout.PartitionEntry[1].StartingOffset = startingOffset;
  record.Layout.PartitionEntry[1].PartitionLength = length;
  record.Layout.PartitionEntry[1].PartitionNumber = 2;
  record.Layout.PartitionEntry[1].PartitionType = 0x07;
  return record;
}

DriveRecord FloppyRecord() {
  DriveRecord record;
  record.DevicePath = "\\\\.\\A:";
  record.DriveNumber = -1;
  record.Kind = KindFloppy;
  record.TotalBytes = 80 * 2 * 18 * 512;
  return record;
}

DriveRecord WholeDriveRecord() {
  DriveRecord record;
  record.DevicePath = Drive0;
  record.Kind = KindPhysicalDrive;
  record.PartitionInfo.PartitionLength = 512LL * 1024 * 1024;
  return record;
}

struct DestinationCase {
  const char* name;
  DriveRecord record;
  SectorRange range;
  std::string description;
};

class RestoreDestination : public ::testing::TestWithParam<DestinationCase> {};

TEST_P(RestoreDestination, RangeAndDescriptionFollowTheRowKind) {
  const DestinationCase& c = GetParam();
  auto machine = ModelMachine();
  ASSERT_TRUE(machine);
  auto destination = RestoreDestinationFromRecord(*machine, Texts(), c.record);
  ASSERT_TRUE(destination.ok()) << destination.error().text;
  EXPECT_EQ(destination->DevicePath, c.record.DevicePath);
  EXPECT_EQ(destination->Range, c.range);
  EXPECT_EQ(destination->Description, c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreDestination,
    ::testing::Values(DestinationCase{"PartitionAtOneMiB",
                                      PartitionRecord(1048576, 104857600),
                                      {2048, 2048 + 104857600 / 512},
                                      "Test Disk; Partition: 2;\r\nType: NTFS; Size: 100.00 MBytes "},
                      DestinationCase{"Floppy", FloppyRecord(), {0, 80 * 2 * 18}, "Floppy 1.41 MBytes "},
                      DestinationCase{
                          "WholeDrive", WholeDriveRecord(), {0, 1048576}, "Test Disk 512.00 MBytes "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RestoreDestination, RowWithoutAWholeSectorIsRefused) {
  auto machine = ModelMachine();
  ASSERT_TRUE(machine);
  auto destination = RestoreDestinationFromRecord(*machine, Texts(), PartitionRecord(1048576, 511));
  ASSERT_FALSE(destination.ok());
  EXPECT_EQ(destination.error().text, Texts().strSBADDisk);
}

struct ImageSizeCase {
  const char* name;
  std::vector<std::byte> file;
  std::string line;  // empty: an error
};

std::vector<std::byte> HeaderOnly(std::int64_t sectorsStored) {
  ImageHeader header;
  header.SectorsStored = sectorsStored;
  const auto bytes = SerializeHeader(header);
  return {bytes.begin(), bytes.end()};
}

class ImageSizeReport : public ::testing::TestWithParam<ImageSizeCase> {};

TEST_P(ImageSizeReport, HeadedImagesReportStoredSectorsRawOnesTheirFileSize) {
  const ImageSizeCase& c = GetParam();
  test_support::ScratchFolder folder;
  auto machine = ModelMachine();
  ASSERT_TRUE(machine);
  const std::string path = folder / "image.img";
  test_support::WriteHostBytes(path, 0, c.file);

  auto line = ImageSizeLine(*machine, Texts(), path);
  if (c.line.empty()) {
    ASSERT_FALSE(line.ok());
    EXPECT_NE(line.error().text.find(path), std::string::npos) << line.error().text;
  } else {
    ASSERT_TRUE(line.ok()) << line.error().text;
    EXPECT_EQ(*line, c.line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageSizeReport,
    ::testing::Values(
        ImageSizeCase{"RawOfOneMiB", std::vector<std::byte>(1048576), "Size of selected image: 1.00 MBytes "},
        ImageSizeCase{"Headed2048Sectors", HeaderOnly(2048), "Size of selected image: 1.00 MBytes "},
        ImageSizeCase{"ShorterThanTheHeader", std::vector<std::byte>(64), ""},
        ImageSizeCase{"ImpossibleStoredCount", HeaderOnly(std::numeric_limits<std::int64_t>::max() / 100),
                      ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CloneRowDescription, FloppyHasNoneDriveAndPartitionAsForRestore) {
  auto machine = ModelMachine();
  ASSERT_TRUE(machine);
  EXPECT_EQ(CloneRowDescription(*machine, FloppyRecord()), "");
  EXPECT_EQ(CloneRowDescription(*machine, WholeDriveRecord()), "Test Disk 512.00 MBytes ");
  EXPECT_EQ(CloneRowDescription(*machine, PartitionRecord(1048576, 1048576)),
            "Test Disk; Partition: 2;\r\nType: NTFS; Size: 1.00 MBytes ");
}

TEST(CloneSelection, FirstNextRecordsTheSourceSecondTheDestination) {
  auto machine = ModelMachine();
  ASSERT_TRUE(machine);
  CloneSelection selection;
  const DriveRow source{"Disk 0 Partition 2", 0, PartitionRecord(1048576, 1048576)};
  const DriveRow destination{"Disk 0 Partition 3", 0, PartitionRecord(4194304, 2097152)};
  const DriveRow empty{"Empty", 0, PartitionRecord(0, 0)};

  auto refused = selection.Next(*machine, Texts(), empty);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().text, Texts().strSBADDisk);
  EXPECT_FALSE(selection.SourceChosen());

  auto first = selection.Next(*machine, Texts(), source);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(first->Recorded, CloneSelection::Step::SourceRecorded);
  EXPECT_EQ(first->PageMemoLines,
            (std::vector<std::string>{"Source drive:Disk 0 Partition 2",
                                      "Step 2: Select destination drive for cloning."}));
  EXPECT_EQ(first->CloneMemoLines, std::vector<std::string>{"Source drive:Disk 0 Partition 2"});
  EXPECT_EQ(selection.Source(), (CloneEndpoint{Drive0, KindPartition, 2048, 4096}));
  EXPECT_FALSE(selection.DestinationChosen());

  auto second = selection.Next(*machine, Texts(), destination);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second->Recorded, CloneSelection::Step::DestinationRecorded);
  EXPECT_EQ(second->CloneMemoLines, std::vector<std::string>{"Destination DriveDisk 0 Partition 3"});
  const CloneParameters parameters = selection.Parameters(true);
  EXPECT_EQ(parameters.Source, selection.Source());
  EXPECT_EQ(parameters.Destination, (CloneEndpoint{Drive0, KindPartition, 8192, 12288}));
  EXPECT_EQ(parameters.DestinationDescription, "Test Disk; Partition: 2;\r\nType: NTFS; Size: 2.00 MBytes ");
  EXPECT_TRUE(parameters.WriteLog);

  // Once both are chosen, Next records nothing and shows the clone window again.
  auto third = selection.Next(*machine, Texts(), source);
  ASSERT_TRUE(third.ok());
  EXPECT_EQ(third->Recorded, CloneSelection::Step::AlreadyComplete);
  EXPECT_EQ(selection.Destination(), parameters.Destination);

  selection.Clear();
  EXPECT_FALSE(selection.SourceChosen());
  EXPECT_EQ(selection.Source(), CloneEndpoint{});
}

}  // namespace
}  // namespace drivecopy
