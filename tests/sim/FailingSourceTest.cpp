// Reading a failing source on simulated drives: the fallback reads one
// logical sector of the device at a time (4096 bytes on a drive with
// 4096-byte sectors, whose eight 512-byte sectors are named together), reads
// each once, and takes a stop between two of those reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jobs/CloneJob.h"
#include "jobs/CreateImageJob.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/HostFileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestImages.h"
#include "support/TransferRecordingPlatform.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;
using test_support::ReadWholeHostFile;
using test_support::RecordingObserver;
using test_support::TransferRecordingPlatform;

const std::string Drive0 = "\\\\.\\PhysicalDrive0";
const std::string Drive1 = "\\\\.\\PhysicalDrive1";
constexpr std::int64_t DriveSectors = 8192;

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Drive 0 (the source, holding a pattern; `sourceExtras` adds its faults and
// geometry) and drive 1, 4 MiB each.
struct FailingMachine {
  std::unique_ptr<SimulatedMachine> machine;
  std::vector<std::byte> source = PatternSectors(DriveSectors, 7);

  explicit FailingMachine(const std::string& sourceExtras)
      : machine(test_support::Machine(R"({"physicalDrives": [
          {"number": 0, "size": "4 MiB", )" +
                                      sourceExtras + R"(},
          {"number": 1, "size": "4 MiB"}],
        "volumes": [{"letter": "C", "size": "1 MiB"}],
        "session": {"currentDirectory": "C:\\", "shortDateFormat": "dd.MM.yyyy", "today": "2013-03-15"}})")) {
    if (machine) test_support::WriteHostBytes(*machine->ContentPath(Drive0), 0, source);
  }
};

CreateImageParameters RawImageOf(std::int64_t first, std::int64_t end, const std::string& image) {
  CreateImageParameters p;
  p.DevicePath = Drive0;
  p.DeviceKind = KindPartition;
  p.FirstSector = first;
  p.EndSector = end;
  p.Header = test_support::PartitionHeader(end - first, {first});
  p.ImagePath = image;
  p.Raw = true;
  return p;
}

// Reads of the source that lie wholly within [first, end): the reads of the
// fallback there, after the larger reads around them failed.
std::size_t ReadsWithin(const TransferRecordingPlatform& platform, std::int64_t first, std::int64_t end) {
  return static_cast<std::size_t>(
      std::count_if(platform.Reads.begin(), platform.Reads.end(), [&](const auto& read) {
        return read.Path == Drive0 && read.Offset >= first * 512 &&
               read.Offset + static_cast<std::int64_t>(read.Bytes) <= end * 512;
      }));
}

// A raw image of 2,088 sectors: 16 blocks and a tail of 40 single sectors.
TEST(FailingSource, EachLogicalSectorIsReadOnceAndNamedWhole) {
  struct Case {
    const char* name;
    int bytesPerSector;
    std::int64_t bad;
    SectorRange named;  // and stored as zeros
    std::string line;
  };
  const std::vector<Case> cases = {
      {"512-byte sectors, in a block", 512, 1003, {1003, 1004}, "WARNING: bad sector skipped @:1003"},
      {"512-byte sectors, in the tail", 512, 2064, {2064, 2065}, "WARNING: bad sector skipped @:2064"},
      {"4096-byte sectors, in a block",
       4096,
       1003,
       {1000, 1008},
       "WARNING: bad sectors skipped @:1000-1007 (8 sectors)"},
      {"4096-byte sectors, in the tail",
       4096,
       2064,
       {2064, 2072},
       "WARNING: bad sectors skipped @:2064-2071 (8 sectors)"},
  };
  constexpr std::int64_t kEnd = 2088;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::ScratchFolder folder;
    FailingMachine m(R"("unreadableSectors": [)" + std::to_string(c.bad) +
                     R"(], "geometry": {"cylinders": 1, "tracksPerCylinder": 1, "sectorsPerTrack": )" +
                     std::to_string(4 * 1024 * 1024 / c.bytesPerSector) + R"(, "bytesPerSector": )" +
                     std::to_string(c.bytesPerSector) + "}");
    ASSERT_TRUE(m.machine);
    TransferRecordingPlatform platform(*m.machine);
    RecordingObserver observer;
    OperationMemo memo;
    const JobOutcome outcome =
        RunCreateImageJob(platform, Texts(), RawImageOf(0, kEnd, folder / "x.img"), memo, observer);

    EXPECT_EQ(outcome.Status, JobStatus::FinishedWithProblems);
    EXPECT_EQ(outcome.UnreadableSectors, c.named.SectorCount());
    ASSERT_FALSE(memo.Lines().empty());
    EXPECT_EQ(memo.Lines().front(), c.line);
    EXPECT_EQ(ReadsWithin(platform, c.named.FirstSector, c.named.EndSector), 1u);
    auto expected = std::vector<std::byte>(m.source.begin(), m.source.begin() + kEnd * 512);
    std::fill(expected.begin() + c.named.FirstSector * 512, expected.begin() + c.named.EndSector * 512,
              std::byte{0});
    EXPECT_TRUE(ReadWholeHostFile(folder / "x.img") == expected);
  }
}

// Asks for a stop once the source was read at `sector` or beyond.
class StopOnceReadAt : public RecordingObserver {
 public:
  StopOnceReadAt(const TransferRecordingPlatform& platform, std::int64_t sector)
      : platform_(platform), sector_(sector) {}
  bool StopRequested() override {
    return std::any_of(platform_.Reads.begin(), platform_.Reads.end(),
                       [&](const auto& read) { return read.Path == Drive0 && read.Offset >= sector_ * 512; });
  }

 private:
  const TransferRecordingPlatform& platform_;
  std::int64_t sector_;
};

// Sectors 200 to 699 cannot be read. The stop comes while block 3 (sectors
// 384 to 511) is read sector by sector: nothing more is read, the block is
// left out, and the run of unreadable sectors before it is one line. The
// range is one multi-block read, so that every read after it is the job's own.
TEST(FailingSource, AStopIsTakenBetweenSingleReads) {
  for (const bool clone : {false, true}) {
    SCOPED_TRACE(clone ? "clone" : "create");
    test_support::ScratchFolder folder;
    FailingMachine m(R"("unreadableSectors": [[200, 699]])");
    ASSERT_TRUE(m.machine);
    TransferRecordingPlatform platform(*m.machine);
    StopOnceReadAt observer(platform, 400);
    observer.Answers = {clone};  // overwrite the destination; keep the stopped image
    observer.DefaultAnswer = false;
    OperationMemo memo;
    const JobOutcome outcome =
        clone ? RunCloneJob(platform, Texts(), {{Drive0, 0x62, 0, 2048}, {Drive1, 0x62, 0, 2048}, "Disk 1"},
                            memo, observer)
              : RunCreateImageJob(platform, Texts(), RawImageOf(0, 2048, folder / "x.img"), memo, observer);

    EXPECT_EQ(outcome.Status, JobStatus::Stopped);
    EXPECT_EQ(outcome.SectorsDone, 384);
    EXPECT_EQ(outcome.UnreadableSectors, 184);
    ASSERT_FALSE(platform.Reads.empty());
    EXPECT_EQ(platform.Reads.back().Offset, 400 * 512) << "read after the stop";
    const std::string drive = clone ? "Source Drive" : "";
    ASSERT_FALSE(memo.Lines().empty());
    EXPECT_EQ(memo.Lines().front(), "WARNING: bad sectors skipped" + drive + " @:200-383 (184 sectors)");
    if (!clone) {
      EXPECT_EQ(memo.Lines().back(), Texts().StrSUserAbort + "384");
      EXPECT_EQ(ReadWholeHostFile(folder / "x.img").size(), 384u * 512);
    }
  }
}

}  // namespace
}  // namespace drivecopy
