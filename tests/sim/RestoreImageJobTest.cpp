// Restoring raw and headed images onto simulated drives: where each chunk
// lands, the size check, damaged images, refused destinations, unwritable
// sectors, stop and flush.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image/ImageFileNames.h"
#include "image/StoppedImageNote.h"
#include "jobs/RestoreImageJob.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/HostFileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestImages.h"
#include "support/TransferRecordingPlatform.h"
#include "text/MessageCatalogue.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;
using test_support::ReadHostBytes;
using test_support::RecordingObserver;
using test_support::TransferRecordingPlatform;
using Transfer = TransferRecordingPlatform::Transfer;

const std::string Drive0 = "\\\\.\\PhysicalDrive0";
const std::string Drive1 = "\\\\.\\PhysicalDrive1";
constexpr std::int64_t PartitionStart = 2048;
constexpr std::int64_t PartitionSectors = 4096;

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Drive 0 (8,192 sectors, partition 1 at 2,048 with 4,096 sectors) is the
// usual destination; drive 1 carries volume E:, where an image may be stored.
std::string MachineJson(const std::string& drive0Extras = "", bool partitionInUse = false) {
  return R"({"physicalDrives": [
      {"number": 0, "size": "4 MiB", )" +
         drive0Extras + R"(
       "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]},
      {"number": 1, "size": "4 MiB",
       "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 12}]}],
    "volumes": [
      {"letter": "E", "fileSystem": "FAT32", "partition": {"drive": 1, "entry": 0}},
      {"letter": "F", "inUse": )" +
         (partitionInUse ? "true" : "false") + R"(, "partition": {"drive": 0, "entry": 0}}]})";
}

struct RestoreRun {
  std::unique_ptr<SimulatedMachine> machine;
  std::unique_ptr<TransferRecordingPlatform> recorder;
  RecordingObserver observer;
  OperationMemo memo;
  JobOutcome outcome;
};

RestoreImageParameters PartitionOfDrive0(const std::string& imagePath) {
  return {Drive0, PartitionStart, PartitionStart + PartitionSectors, imagePath, "Disk 0; Partition: 1"};
}

std::vector<std::byte> DestinationBytes(SimulatedMachine& machine, const std::string& device,
                                        std::int64_t sector, std::int64_t sectors) {
  return ReadHostBytes(*machine.ContentPath(device), sector * 512, static_cast<std::size_t>(sectors * 512));
}

std::vector<std::byte> Slice(const std::vector<std::byte>& bytes, std::int64_t sector, std::int64_t sectors) {
  return {bytes.begin() + sector * 512, bytes.begin() + (sector + sectors) * 512};
}

void WriteFile(const std::string& path, std::span<const std::byte> bytes) {
  std::filesystem::remove(path);
  test_support::WriteHostBytes(path, 0, bytes);
}

// --- where the chunks go -------------------------------------------------

struct RawCase {
  const char* name;
  std::int64_t firstSector;
  std::size_t imageBytes;
};

class RawImageRestore : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawImageRestore, WritesLargeChunksThenSectorsFromTheFirstSector) {
  const RawCase& c = GetParam();
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  std::vector<std::byte> image = PatternSectors(386);
  image.resize(c.imageBytes, std::byte{0x5A});
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, image);

  RecordingObserver observer;
  OperationMemo memo;
  const RestoreImageParameters parameters{Drive0, c.firstSector, 8192, imagePath, "Disk 0"};
  const JobOutcome outcome = RunRestoreImageJob(platform, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(outcome.SectorsDone, 386);
  const std::int64_t base = c.firstSector * 512;
  const std::vector<Transfer> expected = {{Drive0, base, 65536},
                                          {Drive0, base + 65536, 65536},
                                          {Drive0, base + 131072, 65536},
                                          {Drive0, base + 196608, 512},
                                          {Drive0, base + 197120, 512}};
  EXPECT_EQ(platform.WritesTo(Drive0), expected);
  EXPECT_EQ(DestinationBytes(*machine, Drive0, c.firstSector, 386), Slice(image, 0, 386));
  // A trailing part sector of the file is never written.
  EXPECT_EQ(DestinationBytes(*machine, Drive0, c.firstSector + 386, 1), std::vector<std::byte>(512));
  EXPECT_EQ(memo.Lines(), std::vector<std::string>{"Starting..."});
  ASSERT_EQ(observer.ProgressCalls.size(), 4u);  // none after the last chunk
  EXPECT_EQ(observer.ProgressCalls.back().MainPercent, 99);
  EXPECT_EQ(observer.ProgressCalls.back().BytesRemaining, 512);
}

INSTANTIATE_TEST_SUITE_P(Cases, RawImageRestore,
                         ::testing::Values(RawCase{"WholeDrive", 0, 65536 * 3 + 1024},
                                           RawCase{"PartitionAt2048GoesToByte1048576", 2048,
                                                   65536 * 3 + 1024},
                                           RawCase{"TailOfLessThanASector", 2048, 65536 * 3 + 1024 + 300}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RestoreImageJob, HeadedImageRestoresItsStoredSectorsWhateverItsOwnFirstSector) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  const auto data = PatternSectors(300, 7);
  ImageHeader header = test_support::PartitionHeader(300, {63, 9999});
  header.FirstSector = 63;
  const std::string imagePath = folder / "headed.img";
  WriteFile(imagePath, test_support::WriteHeadedImage(data, header));

  RecordingObserver observer;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(*machine, Texts(), PartitionOfDrive0(imagePath), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart, 300), data);
}

// --- size check and empty images ----------------------------------------

struct SizeCase {
  const char* name;
  std::int64_t destinationSectors;
  JobStatus status;
};

class RestoreSizeCheck : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RestoreSizeCheck, AcceptsAnExactFitAndRefusesOneSectorLess) {
  const SizeCase& c = GetParam();
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, PatternSectors(200));

  RecordingObserver observer;
  OperationMemo memo;
  const RestoreImageParameters parameters{Drive0, 100, 100 + c.destinationSectors, imagePath, "Disk 0"};
  const JobOutcome outcome = RunRestoreImageJob(platform, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, c.status);
  if (c.status == JobStatus::NotStarted) {
    ASSERT_EQ(observer.Errors.size(), 1u);
    EXPECT_EQ(observer.Errors[0].Title, Texts().strSPARTIONTOSMALLTitle);
    // The window's message, then what the image needs and what the range holds.
    EXPECT_EQ(observer.Errors[0].Text, Texts().strSPARTIONTOSMALL + "\n" + imagePath +
                                           " needs 200 sectors (100.00 KBytes), and the destination " +
                                           Drive0 +
                                           " (sectors 100 to 298) holds only 199 sectors (99.50 KBytes).");
    EXPECT_TRUE(platform.Writes.empty());
    EXPECT_TRUE(memo.Lines().empty());
  } else {
    EXPECT_EQ(DestinationBytes(*machine, Drive0, 100, 200), PatternSectors(200));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RestoreSizeCheck,
                         ::testing::Values(SizeCase{"ExactFit", 200, JobStatus::Finished},
                                           SizeCase{"OneSectorLess", 199, JobStatus::NotStarted}),
                         [](const auto& info) { return std::string(info.param.name); });

// An image that holds nothing, or whose writing never finished, would pass
// for a restore that did its work: it is refused before anything is opened
// for writing, naming the image and why.
TEST(RestoreImageJob, ImagesThatHoldNothingAreRefused) {
  auto killedCreate = [] {
    // What a create killed half-way leaves: the first header (nothing stored,
    // no index) with blocks behind it.
    auto image =
        test_support::WriteHeadedImage(PatternSectors(256, 2), test_support::PartitionHeader(256, {2048}));
    std::fill(image.begin() + 28, image.begin() + 36, std::byte{0});  // SectorsStored
    std::fill(image.begin() + 48, image.begin() + 64, std::byte{0});  // IndexOffset, IndexSize
    image.resize(image.size() - 8 * 3);                               // the index never came
    return image;
  };
  struct Case {
    const char* name;
    std::vector<std::byte> image;
    const char* why;
    std::string fileName = "nothing.img";
  };
  const Case cases[] = {
      {"headed, nothing stored", test_support::WriteHeadedImage({}, test_support::PartitionHeader(0, {})),
       "holds no sectors"},
      {"virtual run",
       test_support::WriteHeadedImage(PatternSectors(256), test_support::PartitionHeader(256, {2048}),
                                      CompressionLevel::Medium, 500, /*virtualMode=*/true),
       "holds no sectors"},
      {"empty file", {}, "holds no sectors"},
      {"shorter than a sector", std::vector<std::byte>(100, std::byte{7}), "holds no sectors"},
      {"killed create", killedCreate(), "was never finished"},
      // A raw image shows nothing, but a killed create's file keeps its temporary name.
      {"raw, left by a killed create", PatternSectors(256, 3), "was never finished",
       UnfinishedImagePath("nothing.img")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::ScratchFolder folder;
    auto machine = test_support::Machine(MachineJson());
    ASSERT_TRUE(machine);
    TransferRecordingPlatform platform(*machine);
    const std::string imagePath = folder / c.fileName;
    WriteFile(imagePath, c.image);

    RecordingObserver observer;
    OperationMemo memo;
    const JobOutcome outcome =
        RunRestoreImageJob(platform, Texts(), PartitionOfDrive0(imagePath), memo, observer);

    EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
    ASSERT_EQ(observer.Errors.size(), 1u);
    EXPECT_NE(observer.Errors[0].Text.find(imagePath), std::string::npos) << observer.Errors[0].Text;
    EXPECT_NE(observer.Errors[0].Text.find(c.why), std::string::npos) << observer.Errors[0].Text;
    EXPECT_TRUE(platform.Writes.empty());
    for (const auto& opening : platform.Openings)
      EXPECT_NE(opening.Mode, OpenMode::ReadWrite) << opening.Path;
  }
}

// An image of a stopped create is restored, and says first that it holds
// only part of its source, and last, after a verification that passed, that
// the restored range is shorter than the source was. A headed image tells by
// its header, a raw one by the note beside it; a note that claims fewer
// sectors than its image holds (a crash left it beside a later, finished
// image) says nothing.
TEST(RestoreImageJob, ImageOfAStoppedCreateIsRestoredAndSaysItHoldsOnlyPart) {
  const auto data = PatternSectors(1000, 6);
  struct Case {
    const char* name;
    std::vector<std::byte> image;
    std::optional<StoppedImageNote> note;
    bool stopped;
  };
  const Case cases[] = {
      // Made from a range of 65,536 sectors, stopped after 1,000.
      {"headed", test_support::WriteHeadedImage(data, test_support::PartitionHeader(65536, {2048})),
       std::nullopt, true},
      {"raw with its note", data, StoppedImageNote{1000, 65536}, true},
      {"raw beside an older note", data, StoppedImageNote{500, 800}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::ScratchFolder folder;
    auto machine = test_support::Machine(MachineJson());
    ASSERT_TRUE(machine);
    const std::string imagePath = folder / "part.img";
    WriteFile(imagePath, c.image);
    if (c.note) ASSERT_TRUE(WriteStoppedNote(*machine, imagePath, *c.note));
    auto parameters = PartitionOfDrive0(imagePath);
    parameters.Verify = true;

    RecordingObserver observer;
    OperationMemo memo;
    const JobOutcome outcome = RunRestoreImageJob(*machine, Texts(), parameters, memo, observer);

    EXPECT_EQ(outcome.Status, JobStatus::Finished);
    EXPECT_EQ(outcome.Verification, VerifyResult::Passed);
    EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart, 1000), data);
    const auto& lines = memo.Lines();
    ASSERT_GE(lines.size(), 3u);
    const std::string shorter =
        "The restored range is shorter than the source was: 1,000 of its 65,536 sectors were restored, since "
        "the image was stopped early.";
    if (c.stopped) {
      EXPECT_EQ(lines[0],
                "The image file " + imagePath + " holds 1,000 of 65,536 sectors: it was stopped early.");
      EXPECT_EQ(lines[1], "Starting...");
      EXPECT_EQ(lines.back(), shorter);
      EXPECT_EQ(lines.end()[-2].rfind("Verification passed", 0), 0u) << lines.end()[-2];
    } else {
      EXPECT_EQ(lines[0], "Starting...");
      EXPECT_EQ(lines.back().rfind("Verification passed", 0), 0u) << lines.back();
    }
  }
}

// --- damaged images ---------------------------------------------------------

struct DamageCase {
  const char* name;
  void (*damage)(std::vector<std::byte>& image, const std::vector<std::int64_t>& blockOffsets);
};

class DamagedHeadedImage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedHeadedImage, FailsNamingTheBlockAfterWritingOnlyTheBlocksBeforeIt) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  const auto data = PatternSectors(3 * 128, 3);
  auto image = test_support::WriteHeadedImage(data, test_support::PartitionHeader(3 * 128, {2048}));
  GetParam().damage(image, test_support::IndexEntries(image));
  const std::string imagePath = folder / "damaged.img";
  WriteFile(imagePath, image);

  RecordingObserver observer;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(platform, Texts(), PartitionOfDrive0(imagePath), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Failed);
  EXPECT_NE(outcome.ErrorText.find("block 1"), std::string::npos) << outcome.ErrorText;
  EXPECT_NE(outcome.ErrorText.find(imagePath), std::string::npos) << outcome.ErrorText;
  ASSERT_EQ(observer.Errors.size(), 1u);
  EXPECT_EQ(observer.Errors[0].Text, outcome.ErrorText);
  const std::vector<Transfer> firstBlockOnly = {{Drive0, PartitionStart * 512, 65536}};
  EXPECT_EQ(platform.WritesTo(Drive0), firstBlockOnly);
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart, 128), Slice(data, 0, 128));
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart + 128, 128), std::vector<std::byte>(65536));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedHeadedImage,
    ::testing::Values(DamageCase{"TruncatedInsideBlock1",
                                 [](std::vector<std::byte>& image, const std::vector<std::int64_t>& blocks) {
                                   image.resize(static_cast<std::size_t>(blocks[1] + 40));
                                 }},
                      DamageCase{"BadZlibDataInBlock1",
                                 [](std::vector<std::byte>& image, const std::vector<std::int64_t>& blocks) {
                                   for (std::int64_t at = blocks[1] + 8; at < blocks[1] + 24; ++at)
                                     image[static_cast<std::size_t>(at)] ^= std::byte{0xA5};
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- refused destinations ----------------------------------------------------

TEST(RestoreImageJob, RefusesTheRangeThatHoldsTheImageFile) {
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  const std::string hostImage = *machine->VolumeDirectory('E') + "/backup.img";
  WriteFile(hostImage, PatternSectors(16));
  TransferRecordingPlatform platform(*machine);

  RecordingObserver observer;
  OperationMemo memo;
  const RestoreImageParameters parameters{Drive1, 0, 8192, "E:\\backup.img", "Disk 1"};
  const JobOutcome outcome = RunRestoreImageJob(platform, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
  EXPECT_NE(outcome.ErrorText.find("E:\\backup.img"), std::string::npos) << outcome.ErrorText;
  EXPECT_TRUE(platform.WritesTo(Drive1).empty());
  for (const auto& opening : platform.Openings) EXPECT_NE(opening.Mode, OpenMode::ReadWrite) << opening.Path;
}

TEST(RestoreImageJob, RefusesADestinationUnderAMountedFileSystem) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson("", /*partitionInUse=*/true));
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, PatternSectors(16));

  RecordingObserver observer;
  OperationMemo memo;
  // Only the tail of the range touches the partition at 2,048.
  const RestoreImageParameters parameters{Drive0, 2040, 2060, imagePath, "Disk 0"};
  const JobOutcome outcome = RunRestoreImageJob(platform, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
  EXPECT_NE(outcome.ErrorText.find("F:"), std::string::npos) << outcome.ErrorText;
  EXPECT_TRUE(platform.Writes.empty());
}

TEST(RestoreImageJob, DeclinedQuestionTouchesNothing) {
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  RecordingObserver observer;
  observer.DefaultAnswer = false;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(platform, Texts(), PartitionOfDrive0("/nonexistent/x.img"), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
  ASSERT_EQ(observer.Questions.size(), 1u);
  EXPECT_EQ(observer.Questions[0].Kind, JobQuestion::OverwriteDestination);
  EXPECT_EQ(observer.Questions[0].Text,
            "All data will be overwritten on Disk 0; Partition: 1. Are you sure?");
  EXPECT_TRUE(platform.Openings.empty());
}

TEST(RestoreImageJob, MissingImageFileIsAnErrorNamingIt) {
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  RecordingObserver observer;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(platform, Texts(), PartitionOfDrive0("/nonexistent/x.img"), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Failed);
  ASSERT_EQ(observer.Errors.size(), 1u);
  EXPECT_EQ(observer.Errors[0].Title, "");
  EXPECT_NE(observer.Errors[0].Text.find("/nonexistent/x.img"), std::string::npos);
  EXPECT_TRUE(platform.Writes.empty());
}

// --- faults of the destination -----------------------------------------------

TEST(RestoreImageJob, NamesEachUnwritableSectorAndWritesTheRest) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson(R"("unwritableSectors": [2053, 2180],)"));
  ASSERT_TRUE(machine);
  const auto data = PatternSectors(256, 5);
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, data);

  RecordingObserver observer;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(*machine, Texts(), PartitionOfDrive0(imagePath), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::FinishedWithProblems);
  EXPECT_EQ(outcome.UnwritableSectors, 2);
  // Image sectors are counted from the start of the image.
  const std::vector<std::string> expected = {"Starting...", "WARNING: bad sector skipped @:5",
                                             "WARNING: bad sector skipped @:132"};
  EXPECT_EQ(memo.Lines(), expected);
  EXPECT_EQ(observer.MemoLines, expected);
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart, 5), Slice(data, 0, 5));
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart + 6, 126), Slice(data, 6, 126));
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart + 133, 123), Slice(data, 133, 123));
}

TEST(RestoreImageJob, ShortWritesAreCompletedSectorBySector) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  platform.ShortWritePaths.insert(Drive0);
  const auto data = PatternSectors(130, 9);
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, data);

  RecordingObserver observer;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(platform, Texts(), PartitionOfDrive0(imagePath), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(DestinationBytes(*machine, Drive0, PartitionStart, 130), data);
}

TEST(RestoreImageJob, FailedFlushIsAFailureNamingTheDevice) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  platform.FailingFlushPaths.insert(Drive0);
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, PatternSectors(8));

  RecordingObserver observer;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(platform, Texts(), PartitionOfDrive0(imagePath), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Failed);
  EXPECT_NE(outcome.ErrorText.find(Drive0), std::string::npos) << outcome.ErrorText;
  EXPECT_NE(outcome.ErrorText.find("Input/output error"), std::string::npos) << outcome.ErrorText;
  EXPECT_EQ(observer.Errors.size(), 1u);
}

TEST(RestoreImageJob, StopEndsAfterTheCurrentChunk) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  TransferRecordingPlatform platform(*machine);
  const std::string imagePath = folder / "raw.img";
  WriteFile(imagePath, PatternSectors(128 * 4));

  RecordingObserver observer;
  observer.StopAfterProgressCalls = 2;
  OperationMemo memo;
  const JobOutcome outcome =
      RunRestoreImageJob(platform, Texts(), PartitionOfDrive0(imagePath), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Stopped);
  EXPECT_EQ(outcome.SectorsDone, 256);
  EXPECT_EQ(platform.WritesTo(Drive0).size(), 2u);
  EXPECT_EQ(observer.ProgressCalls.back().MainPercent, 50);
}

}  // namespace
}  // namespace drivecopy
