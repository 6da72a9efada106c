// The verification after writing on simulated drives: a restore (raw and
// headed image), a clone and a create read back what they wrote and name
// every range that differs (sectors whose writes the medium lost, a sector
// that cannot be read back, an image changed after it was written); an
// intact copy passes, sectors the job wrote as zeros because the source could
// not be read are no mismatch, a stop ends the pass, and a job that did not
// finish is not verified.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "jobs/CloneJob.h"
#include "jobs/CreateImageJob.h"
#include "jobs/RestoreImageJob.h"
#include "jobs/VerifyPass.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/HostFileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestImages.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;
using test_support::ReadWholeHostFile;
using test_support::WriteHostBytes;

const std::string Drive0 = "\\\\.\\PhysicalDrive0";
const std::string Drive1 = "\\\\.\\PhysicalDrive1";
constexpr std::int64_t DriveSectors = 8192;

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Records a job and, at the memo line that starts the verification, runs
// `AtVerifyStart` (to change what was written) or asks for a stop.
class VerifyObserver : public test_support::RecordingObserver {
 public:
  std::function<void()> AtVerifyStart;
  bool StopAtVerifyStart = false;

  void MemoLine(const std::string& line) override {
    RecordingObserver::MemoLine(line);
    if (!line.starts_with("Verifying")) return;
    if (AtVerifyStart) AtVerifyStart();
    if (StopAtVerifyStart) stop_ = true;
  }
  bool StopRequested() override { return stop_ || RecordingObserver::StopRequested(); }

 private:
  bool stop_ = false;
};

// Drive 0 and drive 1 (4 MiB each); `extras0` and `extras1` add keys such as
// damaged sectors. C: takes a log.
std::unique_ptr<SimulatedMachine> TwoDrives(const std::string& extras0, const std::string& extras1) {
  return test_support::Machine(R"({"physicalDrives": [
      {"number": 0, "size": "4 MiB")" +
                               extras0 + R"(},
      {"number": 1, "size": "4 MiB")" +
                               extras1 + R"(}],
    "volumes": [{"letter": "C", "size": "1 MiB"}],
    "session": {"currentDirectory": "C:\\", "shortDateFormat": "dd.MM.yyyy", "today": "2013-03-15"}})");
}

void NewFile(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The memo lines from the verification's first line on.
std::vector<std::string> VerifyLines(const OperationMemo& memo) {
  const auto& lines = memo.Lines();
  auto first =
      std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Verif"); });
  return {first, lines.end()};
}

// A log's text (UTF-16LE of ASCII lines) as UTF-8.
std::string LogText(const std::string& path) {
  const auto bytes = ReadWholeHostFile(path);
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char>(bytes[i]);
  return text;
}

struct RestoreCase {
  const char* Name;
  bool Headed;
  std::string DestinationExtras;
  VerifyResult Result;
  std::int64_t Differing;
  std::vector<std::string> Lines;  // after "Verifying: ..."; IMG stands for the image's path
};

class RestoreVerification : public ::testing::TestWithParam<RestoreCase> {};

// 300 image sectors go to drive 0 from sector 2048 on.
TEST_P(RestoreVerification, NamesEveryRangeThatDiffersFromTheImage) {
  const RestoreCase& c = GetParam();
  test_support::ScratchFolder folder;
  auto machine = TwoDrives(c.DestinationExtras, "");
  ASSERT_TRUE(machine);
  const auto data = PatternSectors(300, 3);
  const std::string image = folder / "x.img";
  NewFile(image,
          c.Headed ? test_support::WriteHeadedImage(data, test_support::PartitionHeader(300, {2048})) : data);

  VerifyObserver observer;
  OperationMemo memo;
  RestoreImageParameters parameters{Drive0, 2048, DriveSectors, image, "Disk 0"};
  parameters.Verify = true;
  const JobOutcome outcome = RunRestoreImageJob(*machine, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(outcome.Verification, c.Result);
  EXPECT_EQ(outcome.DifferingSectors, c.Differing);
  std::vector<std::string> expected{"Verifying: " + Drive0 + " is read back and compared with " + image +
                                    "."};
  for (std::string line : c.Lines) {
    if (auto at = line.find("IMG"); at != std::string::npos) line.replace(at, 3, image);
    expected.push_back(line);
  }
  EXPECT_EQ(VerifyLines(memo), expected);
  // The pass starts its own progress at 0 and ends at 100.
  ASSERT_FALSE(observer.ProgressCalls.empty());
  EXPECT_EQ(observer.ProgressCalls.back().MainPercent, 100);
}

const std::string D0 = "\\\\.\\PhysicalDrive0";

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreVerification,
    ::testing::Values(
        RestoreCase{"RawIntact",
                    false,
                    "",
                    VerifyResult::Passed,
                    0,
                    {"Verification passed: all 300 sectors of " + D0 + " are identical to IMG."}},
        RestoreCase{"HeadedIntact",
                    true,
                    "",
                    VerifyResult::Passed,
                    0,
                    {"Verification passed: all 300 sectors of " + D0 + " are identical to IMG."}},
        // Neighbouring sectors make one range; the last image sector is compared too.
        RestoreCase{
            "RawLostWrites",
            false,
            R"(, "lostWriteSectors": [[2050, 2052], 2200, 2347])",
            VerifyResult::Differs,
            5,
            {"Sectors 2050 to 2052 of " + D0 + " differ from IMG.",
             "Sector 2200 of " + D0 + " differs from IMG.", "Sector 2347 of " + D0 + " differs from IMG.",
             "Verification failed: 5 of 300 sectors differ."}},
        RestoreCase{"HeadedLostWrites",
                    true,
                    R"(, "lostWriteSectors": [[2050, 2052]])",
                    VerifyResult::Differs,
                    3,
                    {"Sectors 2050 to 2052 of " + D0 + " differ from IMG.",
                     "Verification failed: 3 of 300 sectors differ."}},
        // Sectors that cannot be read back are counted apart from those that differ.
        RestoreCase{
            "UnreadableWhenReadBack",
            false,
            R"(, "unreadableSectors": [2100, 2101], "lostWriteSectors": [2102])",
            VerifyResult::Differs,
            3,
            {"Sectors 2100 to 2101 of " + D0 + " cannot be read back: Data error (cyclic redundancy check).",
             "Sector 2102 of " + D0 + " differs from IMG.",
             "Verification failed: 3 of 300 sectors differ."}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct CloneCase {
  const char* Name;
  std::string SourceExtras;
  std::string DestinationExtras;
  VerifyResult Result;
  std::vector<std::string> Lines;  // from the verification's first line on
};

class CloneVerification : public ::testing::TestWithParam<CloneCase> {};

// Drive 0 onto drive 1, whole; the log holds the verification.
TEST_P(CloneVerification, ComparesTheDestinationWithTheSourceBeforeTheLogIsSaved) {
  const CloneCase& c = GetParam();
  auto machine = TwoDrives(c.SourceExtras, c.DestinationExtras);
  ASSERT_TRUE(machine);
  WriteHostBytes(*machine->ContentPath(Drive0), 0, PatternSectors(DriveSectors, 5));
  WriteHostBytes(*machine->ContentPath(Drive1), 0,
                 std::vector<std::byte>(DriveSectors * 512, std::byte{0xEE}));

  VerifyObserver observer;
  OperationMemo memo;
  CloneParameters parameters{
      {Drive0, 0x62, 0, DriveSectors}, {Drive1, 0x62, 0, DriveSectors}, "Disk 1", true};
  parameters.Verify = true;
  const JobOutcome outcome = RunCloneJob(*machine, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Verification, c.Result);
  EXPECT_EQ(VerifyLines(memo), c.Lines);
  const std::string log = LogText(*machine->VolumeDirectory('C') + "/TALVO_Cloning_Log 15.03.2013.txt");
  EXPECT_NE(log.find(c.Lines.back()), std::string::npos) << log;
}

const std::string Start = "Verifying: " + Drive1 + " is read back and compared with " + Drive0 + ".";

INSTANTIATE_TEST_SUITE_P(
    Cases, CloneVerification,
    ::testing::Values(
        CloneCase{"Intact",
                  "",
                  "",
                  VerifyResult::Passed,
                  {Start, "Verification passed: all 8,192 sectors of " + Drive1 + " are identical to " +
                              Drive0 + "."}},
        // The copy wrote zeros for the sector it could not read: what it reported, not a mismatch.
        CloneCase{"UnreadableSourceSectorWrittenAsZeros",
                  R"(, "unreadableSectors": [100])",
                  "",
                  VerifyResult::Passed,
                  {Start, "Verification passed: all 8,192 sectors of " + Drive1 + " are identical to " +
                              Drive0 + "."}},
        CloneCase{"LostWrite",
                  "",
                  R"(, "lostWriteSectors": [5000])",
                  VerifyResult::Differs,
                  {Start, "Sector 5000 of " + Drive1 + " differs from " + Drive0 + ".",
                   "Verification failed: 1 of 8,192 sectors differ."}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct CreateCase {
  const char* Name;
  bool Raw;
  bool Corrupt;  // a byte of the image changed after it was written
  VerifyResult Result;
  std::string LastLine;  // IMG stands for the image's path
};

class CreateVerification : public ::testing::TestWithParam<CreateCase> {};

// 1,000 sectors of drive 0 into an image with a log.
TEST_P(CreateVerification, ChecksTheFinishedImageBeforeTheLogIsSaved) {
  const CreateCase& c = GetParam();
  test_support::ScratchFolder folder;
  auto machine = TwoDrives("", "");
  ASSERT_TRUE(machine);
  WriteHostBytes(*machine->ContentPath(Drive0), 0, PatternSectors(1000, 9));
  const std::string image = folder / "c.img";

  CreateImageParameters parameters;
  parameters.DevicePath = Drive0;
  parameters.DeviceKind = KindPartition;
  parameters.EndSector = 1000;
  parameters.Header = test_support::PartitionHeader(1000, {0});
  parameters.ImagePath = image;
  parameters.Raw = c.Raw;
  parameters.WriteLog = true;
  parameters.Verify = true;
  VerifyObserver observer;
  if (c.Corrupt) {
    // Sector 10 of a raw image; inside block 0's stream of a headed one.
    observer.AtVerifyStart = [&] {
      WriteHostBytes(image, 10 * 512 + 7, std::vector<std::byte>(3, std::byte{0x42}));
    };
  }
  OperationMemo memo;
  const JobOutcome outcome = RunCreateImageJob(*machine, Texts(), parameters, memo, observer);

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(outcome.Verification, c.Result);
  std::string last = c.LastLine;
  if (auto at = last.find("IMG"); at != std::string::npos) last.replace(at, 3, image);
  ASSERT_FALSE(memo.Lines().empty());
  // A damaged image's line goes on with the fault, naming the block.
  EXPECT_TRUE(memo.Lines().back().starts_with(last)) << memo.Lines().back();
  EXPECT_NE(LogText(image + ".log").find(last), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateVerification,
    ::testing::Values(CreateCase{"RawIntact", true, false, VerifyResult::Passed,
                                 "Verification passed: all 1,000 sectors of IMG are identical to " + Drive0 +
                                     "."},
                      CreateCase{"RawChanged", true, true, VerifyResult::Differs,
                                 "Verification failed: 1 of 1,000 sectors differ."},
                      CreateCase{"HeadedIntact", false, false, VerifyResult::Passed,
                                 "Verification passed: all 111 blocks of IMG were read back and are sound."},
                      CreateCase{"HeadedChanged", false, true, VerifyResult::Differs,
                                 "Verification failed: IMG is damaged: block 0 "}),
    [](const auto& info) { return std::string(info.param.Name); });

// The sectors a copy wrote as zeros are compared with zeros even where the
// source reads them now: a run of them across blocks is excused whole, and
// nothing beyond it.
TEST(VerifyAfterWriting, ZeroedRunsAcrossBlocksAreComparedWithZeros) {
  auto machine = TwoDrives("", "");
  ASSERT_TRUE(machine);
  const auto source = PatternSectors(DriveSectors, 5);
  auto written = source;
  std::fill(written.begin() + 100 * 512, written.begin() + 300 * 512, std::byte{0});
  WriteHostBytes(*machine->ContentPath(Drive0), 0, source);
  WriteHostBytes(*machine->ContentPath(Drive1), 0, written);

  struct Case {
    const char* name;
    SectorRange zeroed;
    VerifyResult result;
    std::int64_t differing;
  };
  const Case cases[] = {
      {"the whole run", {100, 300}, VerifyResult::Passed, 0},
      {"a run that ends before the zeros do", {100, 200}, VerifyResult::Differs, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::RecordingObserver observer;
    OperationMemo memo;
    JobReport report(Texts(), memo, observer);
    SectorRanges zeroed;
    zeroed.Add(c.zeroed);
    const VerifyTally tally =
        VerifyCopiedRange(*machine, Texts(), Drive0, {0, DriveSectors}, Drive1, 0, zeroed, report, observer);
    EXPECT_EQ(tally.Result, c.result);
    EXPECT_EQ(tally.DifferingSectors, c.differing);
  }
}

TEST(VerifyAfterWriting, AStopEndsThePassAndAJobThatDidNotFinishIsNotVerified) {
  test_support::ScratchFolder folder;
  auto machine = TwoDrives("", "");
  ASSERT_TRUE(machine);
  const std::string image = folder / "x.img";
  NewFile(image, PatternSectors(1000, 3));
  RestoreImageParameters parameters{Drive0, 0, DriveSectors, image, "Disk 0"};
  parameters.Verify = true;

  {
    VerifyObserver observer;
    observer.StopAtVerifyStart = true;
    OperationMemo memo;
    const JobOutcome outcome = RunRestoreImageJob(*machine, Texts(), parameters, memo, observer);
    EXPECT_EQ(outcome.Status, JobStatus::Finished);
    EXPECT_EQ(outcome.Verification, VerifyResult::Stopped);
    EXPECT_EQ(memo.Lines().back(), "Verification stopped at sector 0; the rest was not compared.");
  }
  {
    VerifyObserver observer;
    observer.StopAfterProgressCalls = 1;
    OperationMemo memo;
    const JobOutcome outcome = RunRestoreImageJob(*machine, Texts(), parameters, memo, observer);
    EXPECT_EQ(outcome.Status, JobStatus::Stopped);
    EXPECT_EQ(outcome.Verification, VerifyResult::NotRun);
    EXPECT_TRUE(VerifyLines(memo).empty());
  }
}

}  // namespace
}  // namespace drivecopy
