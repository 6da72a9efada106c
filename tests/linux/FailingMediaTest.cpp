// Imaging and cloning failing media, real block devices over the FUSE fault
// file: memory does not grow with the number of unreadable sectors, Ctrl-C
// is taken at once however slowly the bad sectors fail, and a disk with
// 4096-byte sectors is read once per logical sector.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FaultyDisk.h"
#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

using std::chrono::steady_clock;
using test_support::BackgroundRun;
using test_support::DiskFaults;
using test_support::DiskRead;
using test_support::FaultyDisk;
using test_support::ProgramRun;

// The lines of a job's output that name skipped sectors.
std::vector<std::string> BadSectorLines(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream text(out);
  for (std::string line; std::getline(text, line);)
    if (line.find("@:") != std::string::npos) lines.push_back(line);
  return lines;
}

// The same raw image of a 192 MiB disk whose sectors from 16 MiB on cannot be
// read, first 32,768 of them and then ten times as many. Kept one by one
// with a memo line each, they cost some 90 bytes a sector: the second run
// would take about 27 MB more.
TEST(FailingMedia, MemoryStaysFlatWithTenTimesTheUnreadableSectors) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  constexpr std::int64_t kDiskBytes = 192LL << 20;
  constexpr std::int64_t kFirstBad = 32768;
  constexpr std::int64_t kFewer = 32768;
  test_support::ScratchDirectory scratch;
  const std::string image = scratch.File("flat.img");
  struct Run {
    std::int64_t unreadable;
    std::string line;
    std::int64_t peakKiB = 0;
  };
  Run runs[] = {{kFewer, "WARNING: bad sectors skipped @:32768-65535 (32,768 sectors)"},
                {10 * kFewer, "WARNING: bad sectors skipped @:32768-360447 (327,680 sectors)"}};
  for (Run& run : runs) {
    SCOPED_TRACE(run.line);
    DiskFaults faults;
    faults.BadRanges = {{kFirstBad, kFirstBad + run.unreadable}};
    FaultyDisk disk(kDiskBytes, faults);
    BackgroundRun create({"create", disk.DevicePath(), image, "--compression", "raw", "--yes"});
    const ProgramRun result = create.Wait(&run.peakKiB);
    EXPECT_EQ(result.ExitCode, 4) << result;
    EXPECT_EQ(BadSectorLines(result.Out), std::vector<std::string>{run.line}) << result;
    EXPECT_EQ(std::filesystem::file_size(image), static_cast<std::uintmax_t>(kDiskBytes));
    std::filesystem::remove(image);
  }
  EXPECT_GT(runs[0].peakKiB, 0);
  EXPECT_LT(runs[1].peakKiB - runs[0].peakKiB, 4096)
      << "peak resident memory " << runs[0].peakKiB << " KiB, then " << runs[1].peakKiB << " KiB";
}

// Waits until the job reads sector `sector` on its own and fails, after the
// first `since` reads of the disk.
bool FailedSingleReadAt(const FaultyDisk& disk, std::size_t since, std::int64_t sector) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(30);
  while (steady_clock::now() < deadline) {
    const std::vector<DiskRead> reads = disk.Reads();
    if (std::any_of(reads.begin() + static_cast<std::ptrdiff_t>(std::min(since, reads.size())), reads.end(),
                    [&](const DiskRead& read) {
                      return read.Failed && read.Offset == sector * 512 && read.Length == 512;
                    }))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Every failed read takes 300 ms, as on a disk that retries inside: the bad
// region from sector 2170 on would take ten minutes sector by sector. Ctrl-C
// while the block from sector 2176 on is read sector by sector lets the read
// under way finish and ends the job before that block; the run of bad
// sectors before it (2170 to 2175, still open) is told as one line.
TEST(FailingMedia, CtrlCEndsACreateAndACloneInABadRegionWithinASecond) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  constexpr std::int64_t kDiskBytes = 8LL << 20;
  DiskFaults faults;
  faults.BadRanges = {{2170, 6144}};
  faults.FailedReadDelayMs = 300;
  faults.LogReads = true;
  FaultyDisk disk(kDiskBytes, faults);
  test_support::LoopDevice destination(kDiskBytes);
  test_support::ScratchDirectory scratch;

  for (const bool clone : {false, true}) {
    SCOPED_TRACE(clone ? "clone" : "create");
    const std::size_t readsBefore = disk.Reads().size();
    BackgroundRun job(
        clone ? std::vector<std::string>{"clone", disk.DevicePath(),
                                         destination.WritablePath(destination.DevicePath()), "--yes"}
              : std::vector<std::string>{"create", disk.DevicePath(), scratch.File("stopped.img"),
                                         "--compression", "raw", "--yes"});
    ASSERT_TRUE(FailedSingleReadAt(disk, readsBefore, 2176)) << job.Wait();
    const auto sent = steady_clock::now();
    job.Signal(SIGINT);
    const ProgramRun result = job.Wait();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - sent);
    EXPECT_EQ(result.ExitCode, 3) << result;
    EXPECT_LT(took.count(), 1000) << result;
    const std::string drive = clone ? "Source Drive" : "";
    EXPECT_EQ(BadSectorLines(result.Out),
              std::vector<std::string>{"WARNING: bad sectors skipped" + drive + " @:2170-2175 (6 sectors)"})
        << result;
    if (!clone) EXPECT_NE(result.Out.find("Operation stopped at sector:2176"), std::string::npos) << result;
  }
}

// A disk with 4096-byte logical sectors, one of which cannot be read: after
// the larger reads around it failed it is read once on its own, named as one
// run of its eight 512-byte sectors and stored as zeros.
TEST(FailingMedia, AFourKibibyteSectorIsReadOnceAndNamedWhole) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  constexpr std::int64_t kDiskBytes = 8LL << 20;
  auto content = test_support::PseudoRandomBytes(kDiskBytes, 31);
  content[510] = content[511] = std::byte{0};  // no partition table
  DiskFaults faults;
  faults.BadSectors = {8003};
  faults.LogReads = true;
  faults.LogicalSectorBytes = 4096;
  FaultyDisk disk(content, faults);
  test_support::ScratchDirectory scratch;
  const std::string image = scratch.File("4kn.img");
  const std::size_t readsBefore = disk.Reads().size();

  auto run =
      test_support::RunDrivecopy({"create", disk.DevicePath(), image, "--compression", "raw", "--yes"});
  EXPECT_EQ(run.ExitCode, 4) << run;
  EXPECT_EQ(BadSectorLines(run.Out),
            std::vector<std::string>{"WARNING: bad sectors skipped @:8000-8007 (8 sectors)"})
      << run;
  std::fill(content.begin() + 8000 * 512, content.begin() + 8008 * 512, std::byte{0});
  EXPECT_TRUE(test_support::FileBytes(image, 0, kDiskBytes + 1) == content);

  const std::vector<DiskRead> reads = disk.Reads();
  const auto ofTheBadSector =
      std::count_if(reads.begin() + static_cast<std::ptrdiff_t>(readsBefore), reads.end(),
                    [](const DiskRead& read) { return read.Offset == 8000 * 512 && read.Length == 4096; });
  EXPECT_EQ(ofTheBadSector, 1);
}

}  // namespace
}  // namespace drivecopy
