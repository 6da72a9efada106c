// What shares storage and which mounted file system is in the way, answered
// for real loop devices, by identity and ranges: a second loop device over
// the same file is the same storage, two partitions of one file are not.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "JobTestSupport.h"
#include "LoopDevice.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

namespace fs = std::filesystem;
using test_support::LoopDevice;
using test_support::RunCommand;
using test_support::ShellQuoted;

TEST(LoopDeviceRanges, SharedStorageMountsInRangeAndSameFile) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(48LL << 20);
  disk.WritePartitionTable("label: dos\nstart=2048, size=32768, type=83\nstart=36864, size=16384, type=83\n",
                           {1, 2});
  disk.MakeExt4(1);
  const std::string mountPoint = disk.Mount(1);
  const std::string image = mountPoint + "/backup.img";
  std::ofstream(image) << "image bytes";
  // Another view of the same bytes, as `losetup -P` a second time gives.
  LoopDevice second(disk.BackingFile(), "");
  second.AwaitPartitions({1, 2});
  auto platform = MakeLinuxPlatform();
  constexpr SectorRange Whole{0, INT64_MAX};

  struct Shared {
    std::string first;
    SectorRange firstRange;
    std::string second;
    SectorRange secondRange;
    bool shared;
  };
  const Shared sharing[] = {
      {image, Whole, disk.DevicePath(), {2048, 2049}, true},             // the file system's first sector
      {image, Whole, disk.DevicePath(), {36864, 36864 + 16384}, false},  // partition 2
      {mountPoint + "/not-yet.img",
       Whole,
       disk.PartitionPath(1),
       {0, 1},
       true},                                           // lands in its folder's file system
      {image, Whole, disk.BackingFile(), Whole, true},  // the file holding its file system
      {disk.PartitionPath(2), {0, 10}, disk.DevicePath(), {36864 + 9, 36864 + 20}, true},
      {disk.PartitionPath(2), {0, 10}, disk.DevicePath(), {36864 + 10, 36864 + 20}, false},
      // The loop device is made of its backing file.
      {disk.DevicePath(), {0, 1}, disk.BackingFile(), Whole, true},
      // Ranges of one file through two loop devices: the same sectors meet,
      // two partitions do not, on one loop device or on two.
      {second.PartitionPath(2), {0, 10}, disk.PartitionPath(2), {9, 20}, true},
      {second.PartitionPath(2), {0, 16384}, disk.PartitionPath(1), {0, 32768}, false},
      {disk.PartitionPath(2), {0, 16384}, disk.PartitionPath(1), {0, 32768}, false},
      {image, Whole, second.PartitionPath(1), {0, 1}, true},
      {image, Whole, second.PartitionPath(2), {0, 16384}, false},
  };
  for (const Shared& c : sharing) {
    SCOPED_TRACE(c.first + " / " + c.second);
    EXPECT_EQ(platform->SharesStorage(c.first, c.firstRange, c.second, c.secondRange), c.shared);
    EXPECT_EQ(platform->SharesStorage(c.second, c.secondRange, c.first, c.firstRange), c.shared);
  }

  struct Mounted {
    std::string device;
    SectorRange range;
    bool inTheWay;
  };
  const Mounted mounted[] = {
      {disk.DevicePath(), {0, 2048}, false},               // the gap before partition 1
      {disk.DevicePath(), {2047, 2049}, true},             // touches its first sector
      {disk.DevicePath(), {36864, 36864 + 16384}, false},  // partition 2, not mounted
      {disk.DevicePath(), {0, 48LL << 11}, true},          // the whole disk
      {disk.PartitionPath(1), {0, 1}, true},               // counted from the partition's start
      {disk.PartitionPath(2), {0, 16384}, false},
      {second.PartitionPath(1), {0, 1}, true},  // the mounted bytes through the other loop device
      {second.PartitionPath(2), {0, 16384}, false},
  };
  for (const Mounted& c : mounted) {
    SCOPED_TRACE(c.device + " " + std::to_string(c.range.FirstSector));
    const auto occupants = platform->OccupantsOf(c.device, c.range);
    ASSERT_EQ(!occupants.empty(), c.inTheWay);
    if (!occupants.empty()) {
      EXPECT_EQ(occupants.front().Kind, OccupantKind::MountedFileSystem);
      EXPECT_EQ(occupants.front().Name, mountPoint);
    }
  }

  EXPECT_TRUE(platform->IsSameFile(image, mountPoint + "/./backup.img"));
  EXPECT_FALSE(platform->IsSameFile(image, disk.BackingFile()));
  EXPECT_TRUE(platform->IsSameFile(disk.DevicePath(), disk.DevicePath()));
  EXPECT_FALSE(platform->IsSameFile(disk.DevicePath(), disk.PartitionPath(1)));
}

// A fuse2fs program run in the foreground until the end of the test, its
// file system unmounted then.
class Fuse2fsMount {
 public:
  Fuse2fsMount(const std::string& file, const std::string& mountPoint, const std::string& log)
      : mountPoint_(mountPoint) {
    fs::create_directories(mountPoint);
    const std::string program = RunCommand("command -v fuse2fs").Output;
    program_ = test_support::StartProgram(
        {program.substr(0, program.find('\n')), file, mountPoint, "-f", "-o", "fakeroot"}, log);
  }
  ~Fuse2fsMount() {
    if (program_ <= 0) return;
    ::kill(program_, SIGCONT);
    if (RunCommand("umount " + ShellQuoted(mountPoint_) + " 2>/dev/null").ExitCode != 0)
      ::kill(program_, SIGKILL);
    ::waitpid(program_, nullptr, 0);
  }
  Fuse2fsMount(const Fuse2fsMount&) = delete;
  Fuse2fsMount& operator=(const Fuse2fsMount&) = delete;

  // Whether the file system shows up within ten seconds.
  bool AwaitMounted() const {
    for (int i = 0; i < 200 && program_ > 0; ++i) {
      if (RunCommand("mountpoint -q " + ShellQuoted(mountPoint_)).ExitCode == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  void Stop() const { ::kill(program_, SIGSTOP); }
  void Resume() const { ::kill(program_, SIGCONT); }

 private:
  std::string mountPoint_;
  pid_t program_ = -1;
};

// The kernel asks a loop device's backing file system for the file's
// identity; a FUSE program that has stopped never answers. The guard's
// questions about other devices are still answered, and rightly.
TEST(LoopDeviceRanges, ALoopOnAFileSystemThatDoesNotAnswerHoldsNothingElseUp) {
  SKIP_WITHOUT_LOOP_DEVICES();
  if (!fs::exists("/dev/fuse") || RunCommand("command -v fuse2fs >/dev/null").ExitCode != 0)
    GTEST_SKIP() << "needs /dev/fuse and fuse2fs";
  test_support::ScratchDirectory scratch;
  const std::string fileSystem = scratch.File("fs.bin");
  std::ofstream(fileSystem).close();
  fs::resize_file(fileSystem, 32u << 20);
  ASSERT_EQ(RunCommand("mkfs.ext4 -q -F " + ShellQuoted(fileSystem)).ExitCode, 0);
  Fuse2fsMount mounted(fileSystem, scratch.File("mnt"), scratch.File("fuse2fs.log"));
  ASSERT_TRUE(mounted.AwaitMounted());
  const std::string inner = scratch.File("mnt/inner.bin");
  std::ofstream(inner).close();
  fs::resize_file(inner, 8u << 20);
  auto hanging = std::make_unique<LoopDevice>(inner, "");
  LoopDevice other(16LL << 20);

  mounted.Stop();
  // Until then the kernel may still answer from what it has cached.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  struct Answers {
    std::vector<Occupant> Occupants;
    bool Shares = true;
    bool Claimed = false;
  };
  auto asking = std::async(std::launch::async, [&] {
    auto platform = MakeLinuxPlatform();
    Answers answers;
    answers.Occupants = platform->OccupantsOf(other.DevicePath(), {0, 32768});
    answers.Shares =
        platform->SharesStorage(other.DevicePath(), {0, 32768}, scratch.File("image.img"), {0, INT64_MAX});
    answers.Claimed = std::holds_alternative<std::unique_ptr<WriteClaim>>(
        platform->ClaimForWriting(other.DevicePath(), {0, 32768}, ClaimTarget::Destination));
    return answers;
  });
  const bool answered = asking.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  mounted.Resume();
  EXPECT_TRUE(answered) << "the guard waited for the stopped FUSE file system";
  const Answers answers = asking.get();
  EXPECT_TRUE(answers.Occupants.empty());
  EXPECT_FALSE(answers.Shares);
  EXPECT_TRUE(answers.Claimed);
  hanging.reset();
}

}  // namespace
}  // namespace drivecopy
