// Cloning between simulated drives: chunking and offsets, unreadable and
// short-reading source sectors, unwritable destination sectors, stop with
// its closing line and log, refused ranges and the flush.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobs/CloneJob.h"
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

const std::string Drive0 = "\\\\.\\PhysicalDrive0";
const std::string Drive1 = "\\\\.\\PhysicalDrive1";
constexpr std::int64_t DriveSectors = 8192;

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Drive 0 is the source, drive 1 the destination (both 8,192 sectors). C: is
// a volume of its own where the log lands; F: sits on drive 1's partition.
std::string MachineJson(const std::string& sourceExtras = "", const std::string& destinationExtras = "",
                        bool destinationInUse = false) {
  return R"({"physicalDrives": [
      {"number": 0, "size": "4 MiB", )" +
         sourceExtras + R"( "layout": []},
      {"number": 1, "size": "4 MiB", )" +
         destinationExtras + R"(
       "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]}],
    "volumes": [{"letter": "C", "size": "1 MiB"},
                {"letter": "F", "inUse": )" +
         (destinationInUse ? "true" : "false") +
         R"(, "partition": {"drive": 1, "entry": 0}}],
    "session": {"currentDirectory": "C:\\", "shortDateFormat": "dd.MM.yyyy", "today": "2013-03-15"}})";
}

// A machine whose source drive holds a pattern and whose destination holds
// 0xEE everywhere, so that zeros written and sectors left alone both show.
struct CloneMachine {
  std::unique_ptr<SimulatedMachine> machine;
  std::vector<std::byte> source;

  explicit CloneMachine(const std::string& json) : machine(test_support::Machine(json)) {
    if (!machine) return;
    source = PatternSectors(DriveSectors, 11);
    test_support::WriteHostBytes(*machine->ContentPath(Drive0), 0, source);
    test_support::WriteHostBytes(*machine->ContentPath(Drive1), 0,
                                 std::vector<std::byte>(DriveSectors * 512, std::byte{0xEE}));
  }
  std::vector<std::byte> Destination(std::int64_t sector, std::int64_t sectors) const {
    return ReadHostBytes(*machine->ContentPath(Drive1), sector * 512,
                         static_cast<std::size_t>(sectors * 512));
  }
  std::vector<std::byte> Source(std::int64_t sector, std::int64_t sectors) const {
    return {source.begin() + sector * 512, source.begin() + (sector + sectors) * 512};
  }
};

CloneParameters Clone(std::int64_t sourceFirst, std::int64_t sourceEnd, std::int64_t destinationFirst,
                      std::int64_t destinationEnd) {
  return {{Drive0, 0x62, sourceFirst, sourceEnd},
          {Drive1, 0x62, destinationFirst, destinationEnd},
          "Disk 1",
          false};
}

TEST(CloneJob, CopiesLargeChunksThenSectorsFromSourceOffsetToDestinationOffset) {
  CloneMachine m(MachineJson());
  ASSERT_TRUE(m.machine);
  TransferRecordingPlatform platform(*m.machine);
  RecordingObserver observer;
  OperationMemo memo;

  // 300 sectors from a partition at 63 onto one at 2,048 of exactly that length.
  const JobOutcome outcome = RunCloneJob(platform, Texts(), Clone(63, 363, 2048, 2348), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(outcome.SectorsDone, 300);
  const auto writes = platform.WritesTo(Drive1);
  ASSERT_EQ(writes.size(), 46u);  // 2 × 65,536 bytes, then 44 × 512
  EXPECT_EQ(writes[0], (TransferRecordingPlatform::Transfer{Drive1, 1048576, 65536}));
  EXPECT_EQ(writes[1].Bytes, 65536u);
  EXPECT_EQ(writes[2], (TransferRecordingPlatform::Transfer{Drive1, 1048576 + 131072, 512}));
  EXPECT_EQ(writes.back(), (TransferRecordingPlatform::Transfer{Drive1, (2048 + 299) * 512, 512}));
  EXPECT_EQ(platform.Reads.front().Offset, 32256);
  EXPECT_EQ(m.Destination(2048, 300), m.Source(63, 300));
  EXPECT_EQ(m.Destination(2348, 1), std::vector<std::byte>(512, std::byte{0xEE}));

  ASSERT_EQ(observer.ProgressCalls.size(), 45u);  // none after the last chunk
  EXPECT_EQ(observer.ProgressCalls.back().MainPercent, 99);
  EXPECT_EQ(observer.ProgressCalls.back().BytesRemaining, 512);
  EXPECT_EQ(memo.Lines(), std::vector<std::string>{Texts().StrSInitCloneDriveNew});
  // The source is never opened for writing.
  for (const auto& opening : platform.Openings)
    if (opening.Path == Drive0) EXPECT_EQ(opening.Mode, OpenMode::Read);
}

class UnreadableSourceSector : public ::testing::TestWithParam<bool> {};

TEST_P(UnreadableSourceSector, ZeroesAndNamesOnlyThatSector) {
  const std::string shortReads = GetParam() ? "true" : "false";
  CloneMachine m(MachineJson(R"("unreadableSectors": [1000], "shortReads": )" + shortReads + ","));
  ASSERT_TRUE(m.machine);
  RecordingObserver observer;
  OperationMemo memo;

  const JobOutcome outcome = RunCloneJob(*m.machine, Texts(), Clone(0, 1024, 0, 1024), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::FinishedWithProblems);
  EXPECT_EQ(outcome.UnreadableSectors, 1);
  const std::vector<std::string> expected = {"WARNING: bad sector skippedSource Drive @:1000",
                                             Texts().StrSInitCloneDriveNew};
  EXPECT_EQ(memo.Lines(), expected);
  EXPECT_EQ(observer.MemoLines, expected);
  EXPECT_EQ(m.Destination(896, 104), m.Source(896, 104));
  EXPECT_EQ(m.Destination(1000, 1), std::vector<std::byte>(512));
  EXPECT_EQ(m.Destination(1001, 23), m.Source(1001, 23));
}

INSTANTIATE_TEST_SUITE_P(ReadMode, UnreadableSourceSector, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ShortReads" : "FailedReads"; });

TEST(CloneJob, NamesEachUnwritableDestinationSector) {
  CloneMachine m(MachineJson("", R"("unwritableSectors": [2050],)"));
  ASSERT_TRUE(m.machine);
  RecordingObserver observer;
  OperationMemo memo;

  const JobOutcome outcome = RunCloneJob(*m.machine, Texts(), Clone(0, 256, 2048, 2304), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::FinishedWithProblems);
  EXPECT_EQ(outcome.UnwritableSectors, 1);
  EXPECT_EQ(memo.Lines().front(), "WARNING: bad sector skippedDestination Drive @:2050");
  EXPECT_EQ(m.Destination(2048, 2), m.Source(0, 2));
  EXPECT_EQ(m.Destination(2051, 253), m.Source(3, 253));
}

TEST(CloneJob, ShortWritesAreCompletedSectorBySector) {
  CloneMachine m(MachineJson());
  ASSERT_TRUE(m.machine);
  TransferRecordingPlatform platform(*m.machine);
  platform.ShortWritePaths.insert(Drive1);
  RecordingObserver observer;
  OperationMemo memo;

  const JobOutcome outcome = RunCloneJob(platform, Texts(), Clone(0, 200, 0, 200), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(m.Destination(0, 200), m.Source(0, 200));
}

TEST(CloneJob, StoppedRunStillGetsItsClosingLineAndLog) {
  CloneMachine m(MachineJson());
  ASSERT_TRUE(m.machine);
  TransferRecordingPlatform platform(*m.machine);
  RecordingObserver observer;
  observer.StopAfterProgressCalls = 1;
  OperationMemo memo;
  memo.Append("Source drive:Disk 0");  // the window's lines from the set-up
  CloneParameters parameters = Clone(0, 1024, 0, 1024);
  parameters.WriteLog = true;

  const JobOutcome outcome = RunCloneJob(platform, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Stopped);
  // The stop arrives with the first chunk's progress; no chunk follows it.
  EXPECT_EQ(platform.WritesTo(Drive1).size(), 1u);
  EXPECT_EQ(outcome.SectorsDone, 128);
  EXPECT_EQ(memo.Lines().back(), Texts().StrSInitCloneDriveNew);
  const auto log =
      test_support::ReadWholeHostFile(*m.machine->VolumeDirectory('C') + "/TALVO_Cloning_Log 15.03.2013.txt");
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], std::byte{0xFF});
  EXPECT_EQ(log[1], std::byte{0xFE});
  std::string tail;  // the last line, back from UTF-16LE (it is plain ASCII)
  for (std::size_t i = 2; i + 1 < log.size(); i += 2) tail.push_back(static_cast<char>(log[i]));
  const std::string closing = Texts().StrSInitCloneDriveNew + "\r\n";
  EXPECT_EQ(tail.substr(0, 21), "Source drive:Disk 0\r\n");
  EXPECT_EQ(tail.substr(tail.size() - closing.size()), closing);
}

struct RefusalCase {
  const char* name;
  CloneParameters parameters;
  bool destinationInUse;
  const char* namedInError;  // empty: the "Partition to small" refusal
};

class CloneRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CloneRefusal, WritesNothing) {
  const RefusalCase& c = GetParam();
  CloneMachine m(MachineJson("", "", c.destinationInUse));
  ASSERT_TRUE(m.machine);
  TransferRecordingPlatform platform(*m.machine);
  RecordingObserver observer;
  OperationMemo memo;

  const JobOutcome outcome = RunCloneJob(platform, Texts(), c.parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
  ASSERT_EQ(observer.Errors.size(), 1u);
  if (std::string(c.namedInError).empty()) {
    EXPECT_EQ(observer.Errors[0].Title, Texts().strSPARTIONTOSMALLTitle);
    EXPECT_TRUE(observer.Errors[0].Text.starts_with(Texts().strSPARTIONTOSMALL + "\n"))
        << observer.Errors[0].Text;
  } else {
    EXPECT_NE(outcome.ErrorText.find(c.namedInError), std::string::npos) << outcome.ErrorText;
  }
  EXPECT_TRUE(platform.Openings.empty());
  EXPECT_TRUE(memo.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CloneRefusal,
    ::testing::Values(RefusalCase{"DestinationOneSectorShorter", Clone(0, 300, 0, 299), false, ""},
                      RefusalCase{"OverlappingRangesOnOneDrive",
                                  {{Drive1, 0x62, 100, 400}, {Drive1, 0x62, 300, 600}, "Disk 1", false},
                                  false,
                                  "overlap"},
                      RefusalCase{"DestinationUnderMountedFileSystem", Clone(0, 300, 2000, 2300), true,
                                  "F:"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CloneJob, FailedFlushEndsWithoutTheClosingLine) {
  CloneMachine m(MachineJson());
  ASSERT_TRUE(m.machine);
  TransferRecordingPlatform platform(*m.machine);
  platform.FailingFlushPaths.insert(Drive1);
  RecordingObserver observer;
  OperationMemo memo;

  const JobOutcome outcome = RunCloneJob(platform, Texts(), Clone(0, 8, 0, 8), memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Failed);
  EXPECT_NE(outcome.ErrorText.find(Drive1), std::string::npos) << outcome.ErrorText;
  ASSERT_EQ(observer.Errors.size(), 1u);
  for (const auto& line : memo.Lines()) EXPECT_NE(line, Texts().StrSInitCloneDriveNew);
}

}  // namespace
}  // namespace drivecopy
