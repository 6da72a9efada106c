// The destination guard on real loop devices: whatever lives where a job
// would write refuses it, naming the holder, and the bytes there stay as
// they were, however the bytes are reached (another loop device, another
// name of the file, a FUSE file system); its neighbours are written; images
// that hold nothing are not restored; a second job waits for the first;
// signals stop a job like Ctrl-C; a device that goes away ends the job with
// an error.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>

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
constexpr std::int64_t kSecondFirst = kFirst + kSectors;  // partition 2 of a two-partition disk
constexpr std::int64_t kFileBytes = 32LL << 20;

void WriteBytes(const std::string& path, const std::vector<std::byte>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Writes `bytes` into an existing file at `offset`, keeping the rest.
void WriteBytesAt(const std::string& path, std::int64_t offset, const std::vector<std::byte>& bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(offset);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A sparse file of `bytes` bytes.
std::string SparseFile(const std::string& path, std::int64_t bytes = kFileBytes) {
  WriteBytes(path, {});
  fs::resize_file(path, static_cast<std::uintmax_t>(bytes));
  return path;
}

// A file system mounted by a command, unmounted when the case ends.
class CommandMount {
 public:
  // Throws when the command fails.
  CommandMount(const std::string& command, const std::string& mountPoint) : mountPoint_(mountPoint) {
    fs::create_directories(mountPoint);
    const auto run = test_support::RunCommand(command + " 2>&1");
    if (run.ExitCode != 0) throw std::runtime_error("`" + command + "` failed: " + run.Output);
  }
  ~CommandMount() {
    const std::string quoted = test_support::ShellQuoted(mountPoint_);
    if (test_support::RunCommand("umount " + quoted + " 2>/dev/null").ExitCode != 0)
      test_support::RunCommand("umount -l " + quoted + " 2>/dev/null");
  }
  CommandMount(const CommandMount&) = delete;
  CommandMount& operator=(const CommandMount&) = delete;

 private:
  std::string mountPoint_;
};

// Why fuse2fs cannot mount a file system from a file here ("" when it can).
std::string Fuse2fsUnavailableReason() {
  if (!fs::exists("/dev/fuse")) return "no /dev/fuse";
  if (test_support::RunCommand("command -v fuse2fs >/dev/null").ExitCode != 0) return "no fuse2fs";
  return {};
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
  std::vector<std::shared_ptr<void>> Kept;  // mounts the devices lie on, released after them
  std::vector<std::unique_ptr<LoopDevice>> Devices;
  std::vector<std::string> Arguments;
  std::string Holder;
  std::vector<Guarded> Unchanged;
  std::function<void()> ExtraCheck = [] {};
  std::string SkipReason;  // the machine cannot make this case
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

// A loop disk with two partitions of kSectors, at kFirst and kSecondFirst.
std::unique_ptr<LoopDevice> TwoPartitionDisk() {
  auto disk = std::make_unique<LoopDevice>((kSecondFirst + kSectors + 2048) * 512);
  disk->WritePartitionTable("label: dos\nstart=" + std::to_string(kFirst) +
                                ", size=" + std::to_string(kSectors) +
                                ", type=83\nstart=" + std::to_string(kSecondFirst) +
                                ", size=" + std::to_string(kSectors) + ", type=83\n",
                            {1, 2});
  return disk;
}

Guarded SecondPartitionOf(const LoopDevice& disk) {
  return Guarded{disk.BackingFile(), kSecondFirst * 512, kSectors * 512};
}

// Another loop device over the same backing file as `disk`, partitions scanned.
std::unique_ptr<LoopDevice> SecondLoopOver(const LoopDevice& disk, const std::string& losetupOptions = "",
                                           const std::vector<int>& partitions = {1, 2}) {
  auto second = std::make_unique<LoopDevice>(disk.BackingFile(), losetupOptions);
  second->AwaitPartitions(partitions);
  return second;
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
      // The same bytes reached another way than by the destination's name.
      {"restore onto a partition that a second loop device over the same file shows, mounted",
       [&] {
         Scenario s;
         auto disk = TwoPartitionDisk();
         auto second = SecondLoopOver(*disk);
         second->MakeFileSystem(2, noLazyInit);
         s.Holder = "mounted file system " + second->Mount(2);
         s.Arguments = {"restore", image, disk->PartitionPath(2), "--yes"};
         s.Unchanged = {SecondPartitionOf(*disk)};
         s.Devices.push_back(std::move(disk));
         s.Devices.push_back(std::move(second));
         return s;
       }},
      {"restore onto a partition that an offset loop device shows, mounted",
       [&] {
         Scenario s;
         auto disk = TwoPartitionDisk();
         // What mount -o loop,offset=...,sizelimit=... sets up.
         auto offsetLoop = SecondLoopOver(*disk,
                                          "--offset " + std::to_string(kSecondFirst * 512) + " --sizelimit " +
                                              std::to_string(kSectors * 512),
                                          {});
         offsetLoop->MakeFileSystem(0, noLazyInit);
         s.Holder = "mounted file system " + offsetLoop->Mount(0);
         s.Arguments = {"restore", image, disk->PartitionPath(2), "--yes"};
         s.Unchanged = {SecondPartitionOf(*disk)};
         s.Devices.push_back(std::move(disk));
         s.Devices.push_back(std::move(offsetLoop));
         return s;
       }},
      {"clone between one partition seen through two loop devices over one file",
       [&] {
         Scenario s;
         auto disk = TwoPartitionDisk();
         auto second = SecondLoopOver(*disk);
         s.Holder = "overlap on";
         s.Arguments = {"clone", disk->PartitionPath(1), second->PartitionPath(1), "--yes"};
         s.Unchanged = {PartitionOf(*disk)};
         s.Devices.push_back(std::move(disk));
         s.Devices.push_back(std::move(second));
         return s;
       }},
      {"restore onto a hard link of a mounted loop device's file whose first name was deleted",
       [&] {
         Scenario s;
         const std::string first = SparseFile(scratch.File("o.bin"));
         const std::string link = scratch.File("k.bin");
         fs::create_hard_link(first, link);
         auto loop = std::make_unique<LoopDevice>(first, "");
         loop->MakeFileSystem(0, noLazyInit);
         loop->Mount(0);
         fs::remove(first);  // sysfs now names "o.bin (deleted)"
         s.Holder = "backing store of the loop device " + loop->DevicePath();
         s.Arguments = {"restore", image, link, "--yes"};
         s.Unchanged = {Guarded{link, 0, kFileBytes}};
         s.Devices.push_back(std::move(loop));
         return s;
       }},
      {"restore onto a mounted loop device's file with a newline in its name",
       [&] {
         Scenario s;
         // sysfs shows the name on two lines, so its first line names another file.
         const std::string file = SparseFile(scratch.File("line\nbreak.bin"));
         auto loop = std::make_unique<LoopDevice>(file, "");
         loop->MakeFileSystem(0, noLazyInit);
         loop->Mount(0);
         s.Holder = "backing store of the loop device " + loop->DevicePath();
         s.Arguments = {"restore", image, file, "--yes"};
         s.Unchanged = {Guarded{file, 0, kFileBytes}};
         s.Devices.push_back(std::move(loop));
         return s;
       }},
      {"restore onto the file of a mounted loop device made in another mount namespace",
       [&] {
         Scenario s;
         const std::string file = SparseFile(scratch.File("elsewhere.bin"));
         auto loop = std::make_unique<LoopDevice>(file, "", LoopDevice::AttachFrom::AnotherMountNamespace);
         std::string named;
         std::getline(std::ifstream("/sys/block/" + fs::path(loop->DevicePath()).filename().string() +
                                    "/loop/backing_file"),
                      named);
         EXPECT_FALSE(fs::exists(named)) << "the loop's name " << named << " leads to a file here";
         loop->MakeFileSystem(0, noLazyInit);
         loop->Mount(0);
         s.Holder = "backing store of the loop device " + loop->DevicePath();
         s.Arguments = {"restore", image, file, "--yes"};
         s.Unchanged = {Guarded{file, 0, kFileBytes}};
         s.Devices.push_back(std::move(loop));
         return s;
       }},
      {"restore onto a file that a FUSE file system is mounted from",
       [&] {
         Scenario s;
         s.SkipReason = Fuse2fsUnavailableReason();
         if (!s.SkipReason.empty()) return s;
         const std::string file = SparseFile(scratch.File("n.bin"));
         test_support::RunCommand("mkfs.ext4 -q -F " + test_support::ShellQuoted(file));
         const std::string mountPoint = scratch.File("n-mounted");
         // Mounted by a relative name, as a user types it: the mount's source
         // does not lead to the file.
         s.Kept.push_back(std::make_shared<CommandMount>(
             "cd " + test_support::ShellQuoted(fs::path(file).parent_path().string()) +
                 " && fuse2fs n.bin n-mounted -o ro,fakeroot",
             mountPoint));
         s.Holder = "mounted file system " + fs::canonical(mountPoint).string();
         s.Arguments = {"restore", image, file, "--yes"};
         s.Unchanged = {Guarded{file, 0, kFileBytes}};
         return s;
       }},
      {"restore onto an overlay's lower file that a read-only loop device shows through the overlay",
       [&] {
         Scenario s;
         const fs::path base = scratch.File("overlay");
         for (const char* folder : {"lower", "upper", "work", "merged"})
           fs::create_directories(base / folder);
         const std::string lower = (base / "lower" / "disk.bin").string();
         WriteBytes(lower, PseudoRandomBytes(kImageBytes, 12));
         try {
           s.Kept.push_back(std::make_shared<CommandMount>(
               "mount -t overlay overlay -o " +
                   test_support::ShellQuoted("lowerdir=" + (base / "lower").string() +
                                             ",upperdir=" + (base / "upper").string() +
                                             ",workdir=" + (base / "work").string()) +
                   " " + test_support::ShellQuoted((base / "merged").string()),
               (base / "merged").string()));
         } catch (const std::runtime_error& error) {
           s.SkipReason = std::string("no overlay mount here: ") + error.what();
           return s;
         }
         auto loop = std::make_unique<LoopDevice>((base / "merged" / "disk.bin").string(), "--read-only");
         s.Holder = "backing store of the loop device " + loop->DevicePath();
         s.Arguments = {"restore", image, lower, "--yes"};
         s.Unchanged = {Guarded{lower, 0, kImageBytes}};
         s.Devices.push_back(std::move(loop));
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
    if (!s.SkipReason.empty()) {
      std::cout << "[  SKIPPED ] " << c.Name << ": " << s.SkipReason << "\n";
      continue;
    }
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

// What only lies next to something living there is written: the guard
// compares ranges, not disks or files.
TEST(DestinationGuardOnDevices, NeighboursOfWhatLivesThereAreWritten) {
  SKIP_WITHOUT_LOOP_DEVICES();
  ScratchDirectory scratch;
  const std::string image = scratch.File("image.raw");
  const auto imageBytes = PseudoRandomBytes(kImageBytes, 51);
  WriteBytes(image, imageBytes);
  const std::string noLazyInit = "mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0";

  // A job that must succeed, and the bytes it must leave in a file.
  struct Written {
    std::vector<std::unique_ptr<LoopDevice>> Devices;
    std::vector<std::string> Arguments;
    std::string Path;
    std::int64_t Offset = 0;
    std::vector<std::byte> Expected;
    // Another node showing the written bytes, held open over the job with
    // the old bytes in its own page cache: it must show the new ones at once.
    std::string Watched;
  };
  struct Case {
    const char* Name;
    std::function<Written()> Setup;
  };
  const Case cases[] = {
      {"restore onto the partition next to a mounted one",
       [&] {
         auto disk = TwoPartitionDisk();
         disk->MakeFileSystem(1, noLazyInit);
         disk->Mount(1);
         Written w{{},
                   {"restore", image, disk->PartitionPath(2), "--yes"},
                   disk->BackingFile(),
                   kSecondFirst * 512,
                   imageBytes};
         w.Devices.push_back(std::move(disk));
         return w;
       }},
      {"restore onto a partition whose neighbour a second loop device over the same file has mounted",
       [&] {
         auto disk = TwoPartitionDisk();
         auto second = SecondLoopOver(*disk);
         second->MakeFileSystem(1, noLazyInit);
         second->Mount(1);
         Written w{{},
                   {"restore", image, disk->PartitionPath(2), "--yes"},
                   disk->BackingFile(),
                   kSecondFirst * 512,
                   imageBytes,
                   second->PartitionPath(2)};
         w.Devices.push_back(std::move(disk));
         w.Devices.push_back(std::move(second));
         return w;
       }},
      {"clone between two partitions of one loop disk",
       [&] {
         auto disk = TwoPartitionDisk();
         const auto source = PseudoRandomBytes(kSectors * 512, 52);
         WriteBytesAt(disk->BackingFile(), kFirst * 512, source);
         Written w{{},
                   {"clone", disk->PartitionPath(1), disk->PartitionPath(2), "--yes"},
                   disk->BackingFile(),
                   kSecondFirst * 512,
                   source};
         w.Devices.push_back(std::move(disk));
         return w;
       }},
      {"clone from a mounted partition",
       [&] {
         auto disk = TwoPartitionDisk();
         disk->MakeFileSystem(1, noLazyInit);
         disk->Mount(1);
         test_support::RunCommand("sync");
         Written w{{},
                   {"clone", disk->PartitionPath(1), disk->PartitionPath(2), "--yes"},
                   disk->BackingFile(),
                   kSecondFirst * 512,
                   FileBytes(disk->BackingFile(), kFirst * 512, kSectors * 512)};
         w.Devices.push_back(std::move(disk));
         return w;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Written w = c.Setup();
    std::ifstream watcher;
    std::vector<std::byte> shown(w.Expected.size());
    const auto readWatched = [&] {
      watcher.seekg(0);
      watcher.read(reinterpret_cast<char*>(shown.data()), static_cast<std::streamsize>(shown.size()));
      return watcher.good();
    };
    if (!w.Watched.empty()) {
      watcher.open(w.Watched, std::ios::binary);
      ASSERT_TRUE(readWatched()) << w.Watched;
    }
    const auto run = RunDrivecopy(w.Arguments);
    EXPECT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(FileBytes(w.Path, w.Offset, static_cast<std::int64_t>(w.Expected.size())) == w.Expected)
        << w.Path << " does not hold what the job was to write";
    if (!w.Watched.empty()) {
      ASSERT_TRUE(readWatched()) << w.Watched;
      EXPECT_TRUE(shown == w.Expected) << w.Watched << " still shows the bytes of before";
    }
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
    EXPECT_NE(second.Err.find("is being written by another drivecopy job (" + destination.DevicePath() +
                              " @:" + std::to_string(kFirst) + "-" + std::to_string(kFirst + kSectors - 1) +
                              ", PID "),
              std::string::npos)
        << second;
  }
  const auto firstRun = first.Wait();
  EXPECT_EQ(firstRun.ExitCode, 0) << firstRun;
  EXPECT_TRUE(FileBytes(destination.BackingImage(), kFirst * 512, 4 * kImageBytes) == firstBytes);
}

// A job that reads what another job of ours writes, or writes what one
// reads, is refused naming that job, whatever name each was given: the
// first job runs on untouched and the second touches nothing.
TEST(DestinationGuardOnDevices, OurJobsDoNotReadWhatAnotherWritesNorWriteWhatAnotherReads) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  ScratchDirectory scratch;
  // Large enough that the first job, on a slow disk, runs for seconds.
  const std::string image = scratch.File("image.raw");
  WriteBytes(image, PseudoRandomBytes(4 * kImageBytes, 12));
  std::vector<std::byte> disk(static_cast<std::size_t>((kFirst + kSectors) * 512));
  test_support::PutOnePartitionTable(disk, kFirst, kSectors);

  struct Case {
    const char* Name;
    test_support::DiskFaults Slow;  // the first job takes its time on this disk
    // The first job's words, with DISK for the slow disk's path; the second's
    // with DISK too; what the refusal must say of the first.
    std::vector<std::string> First;
    std::vector<std::string> Second;
    std::string Says;
  };
  const std::string created = scratch.File("second.raw");
  const Case cases[] = {
      {"an image of the whole disk while a restore writes its partition",
       test_support::DiskFaults{{}, -1, 0, 200},
       {"restore", image, "PART", "--yes"},
       {"create", "DISK", created, "--yes"},
       "The source DISK is being written by another drivecopy job (DISK @:RANGE, PID "},
      {"a restore onto the partition while an image of the disk is read",
       test_support::DiskFaults{{}, -1, 200},
       {"create", "DISK", created, "--yes"},
       {"restore", image, "PART", "--yes"},
       "The destination DISK is being read by another drivecopy job (DISK @:0-WHOLE, PID "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    test_support::FaultyDisk slow(disk, c.Slow);
    slow.Loop().AwaitPartitions({1});
    const std::string partition = slow.Loop().WritablePath(slow.Loop().PartitionPath(1));
    auto named = [&](std::string text) {
      const std::pair<std::string, std::string> tokens[] = {
          {"DISK", slow.DevicePath()},
          {"PART", partition},
          {"RANGE", std::to_string(kFirst) + "-" + std::to_string(kFirst + kSectors - 1)},
          {"WHOLE", std::to_string(kFirst + kSectors - 1)}};
      for (const auto& [token, path] : tokens)
        for (auto at = text.find(token); at != std::string::npos; at = text.find(token))
          text.replace(at, token.size(), path);
      return text;
    };
    auto words = [&](std::vector<std::string> list) {
      for (std::string& word : list) word = named(word);
      return list;
    };
    const std::string says = named(c.Says);
    fs::remove(created);
    BackgroundRun first(words(c.First));
    ASSERT_TRUE(first.WaitForOutput(c.First[0] == "restore" ? "Starting..." : "Source drive"));
    const auto before = FileBytes(slow.BackingImage(), 0, (kFirst + kSectors) * 512);
    const auto second = RunDrivecopy(words(c.Second));
    EXPECT_EQ(second.ExitCode, 1) << second;
    EXPECT_NE(second.Err.find(says), std::string::npos) << "expected \"" << says << "\"\n" << second;
    if (c.Second[0] == "create") EXPECT_FALSE(fs::exists(created));
    first.Signal(SIGINT);
    const auto firstRun = first.Wait();
    EXPECT_TRUE(firstRun.ExitCode == 3 || firstRun.ExitCode == 0) << "the first job was disturbed\n"
                                                                  << firstRun;
    if (c.Second[0] == "restore")
      EXPECT_TRUE(FileBytes(slow.BackingImage(), 0, (kFirst + kSectors) * 512) == before)
          << "the disk was written";
  }
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
