// The destination guard on real loop devices: whatever lives where a job
// would write refuses it, naming the holder, and the bytes there stay as
// they were; images that hold nothing are not restored; a second job waits
// for the first; signals stop a job like Ctrl-C; a device that goes away
// ends the job with an error.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

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

constexpr std::int64_t kFirst = 2048;
constexpr std::int64_t kSectors = 65536;        // 32 MiB partitions
constexpr std::int64_t kBtrfsSectors = 260096;  // btrfs wants more than 110 MiB
constexpr std::int64_t kImageBytes = 4LL << 20;

void WriteBytes(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What a refused job must leave alone: `length` bytes of a file from `offset`,
// read before the job and compared after it.
struct Guarded {
  std::string Path;
  std::int64_t Offset = 0;
  std::int64_t Length = 0;
};

// One way of making a job write where something lives: the devices it
// needs (kept until the case ends), the command, the words the refusal must
// hold and what must stay unchanged.
struct Scenario {
  std::vector<std::unique_ptr<LoopDevice>> Devices;
  std::vector<std::string> Arguments;
  std::string Holder;
  std::vector<Guarded> Unchanged;
  std::function<void()> ExtraCheck = [] {};
};

// A loop disk with one partition at 2,048 sectors of `sectors`.
std::unique_ptr<LoopDevice> OnePartitionDisk(std::int64_t sectors = kSectors) {
  auto disk = std::make_unique<LoopDevice>((kFirst + sectors + 2048) * 512);
  disk->WritePartitionTable(test_support::OnePartitionTable(kFirst, sectors), {1});
  return disk;
}

Guarded PartitionOf(const LoopDevice& disk, std::int64_t sectors = kSectors) {
  return Guarded{disk.BackingFile(), kFirst * 512, sectors * 512};
}

TEST(DestinationGuardOnDevices, WhatLivesThereRefusesTheJobAndNothingIsWritten) {
  SKIP_WITHOUT_LOOP_DEVICES();
  ScratchDirectory scratch;
  const std::string image = scratch.File("image.raw");
  WriteBytes(image, PseudoRandomBytes(kImageBytes, 41));
  const std::string noLazyInit = "mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0";

  struct Case {
    const char* Name;
    std::function<Scenario()> Setup;
    bool NeedsBtrfs = false;
  };
  const bool btrfs =
      test_support::RunCommand("grep -qw btrfs /proc/filesystems || modprobe btrfs 2>/dev/null").ExitCode ==
          0 &&
      test_support::RunCommand("command -v mkfs.btrfs >/dev/null").ExitCode == 0;
  const Case cases[] = {
      {"restore onto a mounted ext4",
       [&] {
         Scenario s;
         auto disk = OnePartitionDisk();
         disk->MakeFileSystem(1, noLazyInit);
         s.Holder = "mounted file system " + disk->Mount(1);
         s.Arguments = {"restore", image, disk->PartitionPath(1), "--yes"};
         s.Unchanged = {PartitionOf(*disk)};
         s.Devices.push_back(std::move(disk));
         return s;
       }},
      {"restore onto a mounted btrfs",
       [&] {
         Scenario s;
         auto disk = OnePartitionDisk(kBtrfsSectors);
         disk->MakeFileSystem(1, "mkfs.btrfs -q -f");
         s.Holder = "mounted file system " + disk->Mount(1, "btrfs");
         s.Arguments = {"restore", image, disk->PartitionPath(1), "--yes"};
         s.Unchanged = {PartitionOf(*disk, kBtrfsSectors)};
         s.Devices.push_back(std::move(disk));
         return s;
       },
       true},
      {"clone onto a mounted btrfs",
       [&] {
         Scenario s;
         auto source = OnePartitionDisk(kBtrfsSectors);
         auto disk = OnePartitionDisk(kBtrfsSectors);
         disk->MakeFileSystem(1, "mkfs.btrfs -q -f");
         s.Holder = "mounted file system " + disk->Mount(1, "btrfs");
         s.Arguments = {"clone", source->PartitionPath(1), disk->PartitionPath(1), "--yes"};
         s.Unchanged = {PartitionOf(*disk, kBtrfsSectors)};
         s.Devices.push_back(std::move(source));
         s.Devices.push_back(std::move(disk));
         return s;
       },
       true},
      {"restore onto active swap",
       [&] {
         Scenario s;
         auto disk = OnePartitionDisk();
         disk->StartSwap(1);
         s.Holder = "in use as swap space (" + disk->PartitionPath(1) + ")";
         s.Arguments = {"restore", image, disk->PartitionPath(1), "--yes"};
         s.Unchanged = {PartitionOf(*disk)};
         s.Devices.push_back(std::move(disk));
         return s;
       }},
      {"restore onto a partition behind a loop device with a mounted file system",
       [&] {
         Scenario s;
         auto disk = OnePartitionDisk();
         auto stacked = std::make_unique<LoopDevice>(disk->PartitionPath(1), "");
         stacked->MakeFileSystem(0, noLazyInit);
         stacked->Mount(0);
         s.Holder = "backing store of the loop device " + stacked->DevicePath();
         s.Arguments = {"restore", image, disk->PartitionPath(1), "--yes"};
         s.Unchanged = {PartitionOf(*disk)};
         s.Devices.push_back(std::move(disk));
         s.Devices.push_back(std::move(stacked));
         return s;
       }},
      {"restore onto the file behind a mounted loop device",
       [&] {
         Scenario s;
         auto loop = std::make_unique<LoopDevice>(32LL << 20);
         loop->MakeFileSystem(0, noLazyInit);
         loop->Mount(0);
         s.Holder = "backing store of the loop device " + loop->DevicePath();
         s.Arguments = {"restore", image, loop->BackingFile(), "--yes"};
         s.Unchanged = {Guarded{loop->BackingFile(), 0, 32LL << 20}};
         s.Devices.push_back(std::move(loop));
         return s;
       }},
      {"restore onto a read-only loop device",
       [&] {
         Scenario s;
         auto disk = OnePartitionDisk();
         auto readOnly = std::make_unique<LoopDevice>(disk->BackingFile(), "--read-only");
         s.Holder = "is read-only";
         s.Arguments = {"restore", image, readOnly->DevicePath(), "--yes"};
         s.Unchanged = {Guarded{disk->BackingFile(), 0, 8LL << 20}};
         s.Devices.push_back(std::move(disk));
         s.Devices.push_back(std::move(readOnly));
         return s;
       }},
      {"create onto a device node given as the image",
       [&] {
         Scenario s;
         auto source = OnePartitionDisk();
         auto victim = std::make_unique<LoopDevice>(8LL << 20, PseudoRandomBytes(8LL << 20, 3));
         const std::string node = victim->DevicePath();
         s.Holder = node + " exists and is not a regular file";
         s.Arguments = {"create", source->PartitionPath(1), node, "--yes"};
         s.Unchanged = {Guarded{victim->BackingFile(), 0, 8LL << 20}};
         s.ExtraCheck = [node] {
           struct stat status {};
           EXPECT_TRUE(::lstat(node.c_str(), &status) == 0 && S_ISBLK(status.st_mode))
               << node << " is gone from /dev";
         };
         s.Devices.push_back(std::move(source));
         s.Devices.push_back(std::move(victim));
         return s;
       }},
      {"create onto a link to a device",
       [&] {
         Scenario s;
         auto source = OnePartitionDisk();
         auto victim = std::make_unique<LoopDevice>(8LL << 20, PseudoRandomBytes(8LL << 20, 4));
         const std::string link = scratch.File("disk-link.img");
         fs::remove(link);
         fs::create_symlink(victim->DevicePath(), link);
         s.Holder = "is not a regular file";
         s.Arguments = {"create", source->PartitionPath(1), link, "--yes"};
         s.Unchanged = {Guarded{victim->BackingFile(), 0, 8LL << 20}};
         s.ExtraCheck = [link] { EXPECT_TRUE(fs::is_symlink(link)) << "the link was replaced"; };
         s.Devices.push_back(std::move(source));
         s.Devices.push_back(std::move(victim));
         return s;
       }},
      {"create with its log linked to another file",
       [&] {
         Scenario s;
         auto source = OnePartitionDisk();
         const std::string victim = scratch.File("precious.txt");
         WriteBytes(victim, PseudoRandomBytes(4096, 5));
         const std::string target = scratch.File("logged.img");
         fs::remove(target + ".log");
         fs::create_symlink(victim, target + ".log");
         s.Holder = target + ".log exists and is not a regular file";
         s.Arguments = {"create", source->PartitionPath(1), target, "--log", "--yes"};
         s.Unchanged = {Guarded{victim, 0, 4096}};
         s.ExtraCheck = [target] {
           EXPECT_FALSE(fs::exists(target)) << "the image was made although its log was refused";
         };
         s.Devices.push_back(std::move(source));
         return s;
       }},
      {"create of a partition into a file on it",
       [&] {
         Scenario s;
         auto disk = OnePartitionDisk();
         disk->MakeFileSystem(1, noLazyInit);
         const std::string inside = disk->Mount(1) + "/itself.img";
         s.Holder = "would be stored on the source";
         s.Arguments = {"create", disk->PartitionPath(1), inside, "--compression", "medium", "--yes"};
         s.ExtraCheck = [inside] { EXPECT_FALSE(fs::exists(inside)); };
         s.Devices.push_back(std::move(disk));
         return s;
       }},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.NeedsBtrfs && !btrfs) {
      std::cout << "[  SKIPPED ] " << c.Name << ": this kernel or machine has no btrfs\n";
      continue;
    }
    Scenario s = c.Setup();
    // A freshly mounted file system still commits what its creation and
    // mounting left pending (btrfs within 30 s); brought to disk first, so the
    // bytes compared are those only the job could change.
    test_support::RunCommand("sync");
    std::vector<std::vector<std::byte>> before;
    for (const Guarded& g : s.Unchanged) before.push_back(FileBytes(g.Path, g.Offset, g.Length));
    const auto run = RunDrivecopy(s.Arguments);
    EXPECT_EQ(run.ExitCode, 1) << run;
    EXPECT_NE(run.Err.find(s.Holder), std::string::npos) << "expected \"" << s.Holder << "\"\n" << run;
    for (std::size_t i = 0; i < s.Unchanged.size(); ++i) {
      EXPECT_TRUE(FileBytes(s.Unchanged[i].Path, s.Unchanged[i].Offset, s.Unchanged[i].Length) == before[i])
          << s.Unchanged[i].Path << " was written";
    }
    s.ExtraCheck();
  }
}

// What an image holds decides whether it is restored at all.
TEST(DestinationGuardOnDevices, ImagesThatHoldNothingAreNotRestored) {
  SKIP_WITHOUT_LOOP_DEVICES();
  ScratchDirectory scratch;
  auto destination = OnePartitionDisk();
  const Guarded partition = PartitionOf(*destination);
  const auto before = FileBytes(partition.Path, partition.Offset, partition.Length);

  // A headed create killed half-way, by SIGKILL, of a slow source, leaves
  // only the file it was writing under its temporary name.
  const std::string killed = scratch.File("killed.img.drivecopy-partial");
  {
    test_support::FaultyDisk slow(PseudoRandomBytes(8LL << 20, 6), test_support::DiskFaults{{}, -1, 200});
    BackgroundRun create(
        {"create", slow.DevicePath(), scratch.File("killed.img"), "--compression", "low", "--yes"});
    ASSERT_TRUE(create.WaitForOutput("Source drive"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    create.Signal(SIGKILL);
    create.Wait();
  }
  ASSERT_TRUE(fs::exists(killed));
  EXPECT_FALSE(fs::exists(scratch.File("killed.img")));
  WriteBytes(scratch.File("empty.img"), {});
  WriteBytes(scratch.File("short.img"), PseudoRandomBytes(100, 7));
  struct Case {
    std::string Image;
    const char* Why;
  };
  const Case cases[] = {
      {killed, "was never finished"},
      {scratch.File("short.img"), "holds no sectors"},
      {"/dev/zero", "is a character device, not a regular file or a block device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Image);
    const auto run = RunDrivecopy({"restore", c.Image, destination->PartitionPath(1), "--yes"});
    EXPECT_EQ(run.ExitCode, 1) << run;
    EXPECT_NE(run.Err.find(c.Why), std::string::npos) << run;
    const auto verified = RunDrivecopy({"info", c.Image, "--verify"});
    EXPECT_EQ(verified.ExitCode, 1) << verified;
  }
  const auto empty = RunDrivecopy({"info", scratch.File("empty.img"), "--verify"});
  EXPECT_EQ(empty.ExitCode, 1) << empty;
  EXPECT_TRUE(FileBytes(partition.Path, partition.Offset, partition.Length) == before);
}

// Two restores onto one partition at once: the second is refused while the
// first runs, and the first writes its image whole.
TEST(DestinationGuardOnDevices, SecondRestoreOntoTheSamePartitionIsRefused) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  ScratchDirectory scratch;
  // The destination takes its writes slowly, so the first restore is still
  // writing when the second one starts.
  std::vector<std::byte> disk(static_cast<std::size_t>((kFirst + kSectors) * 512));
  test_support::PutOnePartitionTable(disk, kFirst, kSectors);
  test_support::FaultyDisk destination(disk, test_support::DiskFaults{{}, -1, 0, 200});
  destination.Loop().AwaitPartitions({1});
  const std::string partition = destination.Loop().WritablePath(destination.Loop().PartitionPath(1));
  const std::string firstImage = scratch.File("first.raw");
  const auto firstBytes = PseudoRandomBytes(4 * kImageBytes, 8);
  WriteBytes(firstImage, firstBytes);
  const std::string secondImage = scratch.File("second.raw");
  WriteBytes(secondImage, PseudoRandomBytes(kImageBytes, 9));

  BackgroundRun first({"restore", firstImage, partition, "--yes"});
  ASSERT_TRUE(first.WaitForOutput("Starting..."));
  for (const std::string& target : {partition, destination.DevicePath()}) {
    const auto second = RunDrivecopy({"restore", secondImage, target, "--yes"});
    EXPECT_EQ(second.ExitCode, 1) << second;
    EXPECT_NE(second.Err.find("in use by another program"), std::string::npos) << second;
  }
  const auto firstRun = first.Wait();
  EXPECT_EQ(firstRun.ExitCode, 0) << firstRun;
  EXPECT_TRUE(FileBytes(destination.BackingImage(), kFirst * 512, 4 * kImageBytes) == firstBytes);
}

// SIGTERM and SIGHUP stop a create as Ctrl-C does: the image is completed up
// to there and checks sound.
TEST(DestinationGuardOnDevices, TerminationSignalsStopLikeControlC) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  ScratchDirectory scratch;
  test_support::FaultyDisk slow(PseudoRandomBytes(8LL << 20, 10), test_support::DiskFaults{{}, -1, 200});
  for (const int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string image = scratch.File("stopped-" + std::to_string(signal) + ".img");
    BackgroundRun create({"create", slow.DevicePath(), image, "--compression", "low", "--yes"});
    ASSERT_TRUE(create.WaitForOutput("Source drive"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    create.Signal(signal);
    const auto run = create.Wait();
    EXPECT_EQ(run.ExitCode, 3) << run;
    EXPECT_NE(run.Out.find("Operation stopped at sector:"), std::string::npos) << run;
    const auto verified = RunDrivecopy({"info", image, "--verify"});
    EXPECT_EQ(verified.ExitCode, 0) << verified;
    EXPECT_NE(verified.Out.find("it was stopped early"), std::string::npos) << verified;
  }
}

// A source that disappears part-way ends the create and the clone with an
// error; no raw image that looks whole is left.
TEST(DestinationGuardOnDevices, SourceThatGoesAwayEndsTheJob) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  ScratchDirectory scratch;
  for (const char* command : {"create", "clone"}) {
    SCOPED_TRACE(command);
    test_support::FaultyDisk vanishing(PseudoRandomBytes(8LL << 20, 11),
                                       test_support::DiskFaults{{}, 9000, 0});
    auto destination = std::make_unique<LoopDevice>(8LL << 20);
    const std::string image = scratch.File("vanished.img");
    const auto run =
        std::string(command) == "create"
            ? RunDrivecopy({"create", vanishing.DevicePath(), image, "--yes"})
            : RunDrivecopy({"clone", vanishing.DevicePath(), destination->DevicePath(), "--yes"});
    EXPECT_EQ(run.ExitCode, 1) << run;
    EXPECT_NE(run.Err.find("The device is gone"), std::string::npos) << run;
    EXPECT_EQ(run.Out.find("Ready"), std::string::npos) << run;
    EXPECT_EQ(run.Out.find("restart the computer"), std::string::npos) << run;
    EXPECT_EQ(run.Out.find("bad sector"), std::string::npos) << run;
    EXPECT_FALSE(fs::exists(image));
  }
}

}  // namespace
}  // namespace drivecopy
