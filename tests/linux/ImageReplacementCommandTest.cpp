// `drivecopy create` over an image that is already there, on real files: the
// new image is written under IMAGE.drivecopy-partial and takes the image's
// name only at the end, so a stop or a kill never costs the old one; and a
// raw image kept after a stop says so to info and restore.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "FaultyDisk.h"
#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

namespace fs = std::filesystem;
using test_support::BackgroundRun;
using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::PseudoRandomBytes;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;

constexpr std::int64_t kOldImageBytes = 16LL << 20;

void WriteBytes(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A stop while the source is looked at, then a kill in the middle of the copy: the
// image there before stays byte for byte, and the next create of that name
// removes what the killed one left and puts its own image there.
TEST(CreateImageReplacement, AStopOrAKillNeverCostsTheImageThereBefore) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  ScratchDirectory scratch;
  const std::string image = scratch.File("keep.img");
  const std::string leftover = image + ".drivecopy-partial";
  const auto old = PseudoRandomBytes(kOldImageBytes, 21);
  WriteBytes(image, old);
  // Every read of this disk takes half a second, so looking at it takes at
  // least that long.
  test_support::FaultyDisk slow(PseudoRandomBytes(8LL << 20, 22), test_support::DiskFaults{{}, -1, 500});

  {
    SCOPED_TRACE("Ctrl-C while the source is looked at");
    BackgroundRun create({"create", slow.DevicePath(), image, "--compression", "high", "--yes"});
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    create.Signal(SIGINT);
    // Nothing is touched before the first memo line, so until then Ctrl-C
    // ends the program at once, as it ends any program.
    const auto run = create.Wait();
    EXPECT_EQ(run.Out.find("Source drive"), std::string::npos) << "the source was looked at before the stop came\n"
                                                                << run;
    EXPECT_NE(run.ExitCode, 0) << run;
    EXPECT_TRUE(FileBytes(image, 0, kOldImageBytes + 1) == old);
    EXPECT_FALSE(fs::exists(leftover));
  }
  {
    SCOPED_TRACE("SIGKILL in the middle of the copy");
    BackgroundRun create({"create", slow.DevicePath(), image, "--yes"});
    ASSERT_TRUE(create.WaitForOutput("Source drive"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    create.Signal(SIGKILL);
    create.Wait();
    EXPECT_TRUE(FileBytes(image, 0, kOldImageBytes + 1) == old);
    ASSERT_TRUE(fs::exists(leftover));
    // A raw file shows nothing of its end (this one may hold no sector yet:
    // blocks are written in batches); its name says it is no image.
    const auto checked = RunDrivecopy({"info", leftover, "--verify"});
    EXPECT_EQ(checked.ExitCode, 1) << checked;
    EXPECT_NE(checked.Out.find("it was never finished"), std::string::npos) << checked;
  }
  {
    SCOPED_TRACE("the next create of that name");
    const auto content = PseudoRandomBytes(4LL << 20, 23);
    LoopDevice source(4LL << 20, content);
    const auto run = RunDrivecopy({"create", source.DevicePath(), image, "--yes"});
    EXPECT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(FileBytes(image, 0, (4LL << 20) + 1) == content);
    EXPECT_FALSE(fs::exists(leftover));
  }
}

// A raw image kept after Ctrl-C cannot say it is short; the note beside it
// does, and info and restore read it.
TEST(CreateImageReplacement, AStoppedRawImageIsReportedAsStoppedByInfoAndRestore) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  ScratchDirectory scratch;
  const std::string image = scratch.File("stopped.raw");
  test_support::FaultyDisk slow(PseudoRandomBytes(8LL << 20, 24), test_support::DiskFaults{{}, -1, 200});
  BackgroundRun create({"create", slow.DevicePath(), image, "--yes"});
  ASSERT_TRUE(create.WaitForOutput("Source drive"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  create.Signal(SIGINT);
  const auto created = create.Wait();
  ASSERT_EQ(created.ExitCode, 3) << created;
  ASSERT_TRUE(fs::exists(image)) << created;
  const auto stored = static_cast<std::int64_t>(fs::file_size(image)) / 512;
  ASSERT_LT(stored, 16384) << "the stop came too late";
  EXPECT_TRUE(fs::exists(image + ".stopped"));

  const auto info = RunDrivecopy({"info", image, "--verify"});
  EXPECT_EQ(info.ExitCode, 0) << info;
  EXPECT_NE(info.Out.find(" of 16,384 sectors: it was stopped early."), std::string::npos) << info;

  LoopDevice destination(16LL << 20);
  destination.WritePartitionTable(test_support::OnePartitionTable(2048, 16384), {1});
  const auto restored = RunDrivecopy({"restore", image, destination.PartitionPath(1), "--verify", "--yes"});
  EXPECT_EQ(restored.ExitCode, 0) << restored;
  EXPECT_NE(restored.Out.find(" of 16,384 sectors: it was stopped early."), std::string::npos) << restored;
  EXPECT_NE(restored.Out.find("Verification passed"), std::string::npos) << restored;
  EXPECT_NE(restored.Out.find("The restored range is shorter than the source was: "), std::string::npos)
      << restored;
}

}  // namespace
}  // namespace drivecopy
