// What the commands say about names and partition tables on real devices:
// a device link or a relative name reaches the node it names; a disk whose
// first sector cannot be read is reported as a read error, not as a stale
// table; a whole disk restored onto a loop device without partition
// scanning gets its new partition nodes (or a memo line says why not); and a
// whole partitioned disk is not copied onto a disk with another sector size,
// while a partition may be.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "FaultyDisk.h"
#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

namespace fs = std::filesystem;
using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::ProgramRun;
using test_support::PseudoRandomBytes;
using test_support::RunCommand;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;

constexpr std::int64_t kDiskBytes = 8 << 20;

// What one case did: the run whose status and words are checked, the words
// it must say (they name the devices the case made), and what the devices
// show that they should not ("" when they are right).
struct Result {
  ProgramRun Run;
  std::vector<std::string> Says;
  std::string Wrong;
};

std::string SysfsText(const std::string& node, const std::string& attribute) {
  std::ifstream in("/sys/class/block/" + fs::path(node).filename().string() + "/" + attribute);
  std::string text;
  std::getline(in, text);
  return text;
}

// The bytes of a disk image file with the table of an sfdisk script.
std::vector<std::byte> DiskWithTable(const ScratchDirectory& scratch, const std::string& script,
                                     std::uint32_t seed) {
  const std::string file = scratch.File("table-" + std::to_string(seed) + ".bin");
  const auto content = PseudoRandomBytes(kDiskBytes, seed);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  const auto written = RunCommand("printf '" + script + "' | sfdisk --quiet " +
                                  test_support::ShellQuoted(file) + " >/dev/null 2>&1");
  if (written.ExitCode != 0) throw std::runtime_error("sfdisk could not write " + script);
  return FileBytes(file, 0, kDiskBytes);
}

std::unique_ptr<LoopDevice> Disk512(const std::string& script, std::uint32_t seed) {
  auto disk = std::make_unique<LoopDevice>(kDiskBytes, PseudoRandomBytes(kDiskBytes, seed));
  disk->WritePartitionTable(script, {1});
  return disk;
}

std::unique_ptr<LoopDevice> Disk4096(std::uint32_t seed) {
  return std::make_unique<LoopDevice>(kDiskBytes, PseudoRandomBytes(kDiskBytes, seed), "--sector-size 4096",
                                      true);
}

std::string UnchangedOrSay(const LoopDevice& disk, const std::vector<std::byte>& before) {
  return FileBytes(disk.BackingFile(), 0, kDiskBytes) == before ? "" : disk.DevicePath() + " was written";
}

Result CreateOfPartitionReachedThrough(const std::string& name, const LoopDevice& disk,
                                       const std::vector<std::string>& launcher,
                                       const ScratchDirectory& scratch) {
  const std::string image = scratch.File("named.img");
  Result result{RunDrivecopy({"create", name, image, "--compression", "raw", "--yes"}, launcher), {}, {}};
  if (FileBytes(image, 0, 1 << 30) != FileBytes(disk.BackingFile(), 2048 * 512, 4096 * 512)) {
    result.Wrong = "the image is not partition 1 of " + disk.DevicePath();
  }
  return result;
}

TEST(PartitionTableRefusals, NamesReachTheirNodesAndRefusalsSayWhatIsTrue) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  const std::string gpt = "label: gpt\nstart=2048, size=4096\n";
  const std::string mbr = "label: dos\nstart=2048, size=4096, type=83\n";

  struct Case {
    std::string Name;
    std::function<Result(const ScratchDirectory&)> Act;
    int ExitCode;
    std::vector<std::string> NeverSays;
  };
  const std::vector<Case> cases = {
      {"a link to a partition node",
       [&](const ScratchDirectory& scratch) {
         auto disk = Disk512(mbr, 1);
         const std::string link = scratch.File("by-id-part1");
         fs::create_symlink(disk->PartitionPath(1), link);
         return CreateOfPartitionReachedThrough(link, *disk, {}, scratch);
       },
       0,
       {}},
      {"a partition node named relative to /dev",
       [&](const ScratchDirectory& scratch) {
         auto disk = Disk512(mbr, 2);
         const std::string relative = fs::path(disk->PartitionPath(1)).filename().string();
         return CreateOfPartitionReachedThrough(relative, *disk, {"env", "-C", "/dev"}, scratch);
       },
       0,
       {}},
      {"a partition of a disk whose first sector cannot be read",
       [&](const ScratchDirectory& scratch) {
         auto content = PseudoRandomBytes(kDiskBytes, 3);
         test_support::PutOnePartitionTable(content, 2048, 4096);
         test_support::FaultyDisk disk(content, std::vector<std::int64_t>{0});
         // The kernel read no table through the bad sector; the node is what
         // it kept from before the disk began to fail.
         const std::string device = disk.Loop().WritablePath(disk.DevicePath());
         if (RunCommand("addpart " + device + " 1 2048 4096").ExitCode != 0) {
           return Result{{}, {}, "addpart could not add partition 1"};
         }
         disk.Loop().AwaitPartitions({1});
         const std::string image = scratch.File("p1.img");
         Result result{RunDrivecopy({"create", disk.Loop().PartitionPath(1), image, "--yes"}), {}, {}};
         result.Says = {disk.Loop().PartitionPath(1), device, "first sector", "Input/output error"};
         if (fs::exists(image)) result.Wrong = "an image was made";
         const ProgramRun list = RunDrivecopy({"list"});
         if (list.Out.find("has not been read by the system yet") != std::string::npos ||
             list.Out.find("partition table cannot be read") == std::string::npos) {
           result.Wrong += " list: " + list.Out;
         }
         return result;
       },
       1,
       {"partx", "partprobe", "re-read"}},
      {"a whole disk restored onto a loop device without partition scanning",
       [&](const ScratchDirectory& scratch) {
         LoopDevice disk(
             kDiskBytes,
             DiskWithTable(scratch, "label: dos\nstart=2048, size=2048\nstart=6144, size=2048\n", 4), "",
             false);
         disk.AwaitPartitions({1, 2});  // added by hand (partx -a), as the kernel reads no table here
         const std::string image = scratch.File("new-table.img");
         const auto table = DiskWithTable(scratch, "label: dos\nstart=4096, size=8192\n", 5);
         std::ofstream(image, std::ios::binary)
             .write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
         Result result{
             RunDrivecopy({"restore", image, disk.WritablePath(disk.DevicePath()), "--yes"}), {}, {}};
         const bool shown =
             SysfsText(disk.PartitionPath(1), "start") == "4096" &&
             SysfsText(disk.PartitionPath(1), "size") == "8192" &&
             !fs::exists("/sys/class/block/" + fs::path(disk.PartitionPath(2)).filename().string());
         const bool said = result.Run.Out.find("could not read the new partition table") != std::string::npos;
         if (!shown && !said) result.Wrong = "the old partition nodes were kept without a word";
         return result;
       },
       0,
       {}},
      {"a whole 512-byte-sector GPT disk cloned onto a 4096-byte-sector disk",
       [&](const ScratchDirectory&) {
         auto source = Disk512(gpt, 6);
         auto destination = Disk4096(7);
         const auto before = FileBytes(destination->BackingFile(), 0, kDiskBytes);
         Result result{RunDrivecopy({"clone", source->DevicePath(),
                                     destination->WritablePath(destination->DevicePath()), "--yes"}),
                       {source->DevicePath(), destination->DevicePath(), "512-byte", "4096-byte"},
                       {}};
         result.Wrong = UnchangedOrSay(*destination, before);
         return result;
       },
       1,
       {}},
      {"a raw image of that disk restored whole onto the 4096-byte-sector disk",
       [&](const ScratchDirectory& scratch) {
         auto source = Disk512(gpt, 8);
         auto destination = Disk4096(9);
         const std::string image = scratch.File("gpt.img");
         if (RunDrivecopy({"create", source->DevicePath(), image, "--yes"}).ExitCode != 0) {
           return Result{{}, {}, "the image could not be made"};
         }
         const auto before = FileBytes(destination->BackingFile(), 0, kDiskBytes);
         Result result{
             RunDrivecopy({"restore", image, destination->WritablePath(destination->DevicePath()), "--yes"}),
             {image, destination->DevicePath(), "512-byte", "4096-byte"},
             {}};
         result.Wrong = UnchangedOrSay(*destination, before);
         return result;
       },
       1,
       {}},
      {"a compressed image of a 512-byte-sector MBR disk restored whole onto a 4096-byte-sector disk",
       [&](const ScratchDirectory& scratch) {
         auto source = Disk512(mbr, 10);
         auto destination = Disk4096(11);
         const std::string image = scratch.File("mbr.img");
         if (RunDrivecopy({"create", source->DevicePath(), image, "--compression", "low", "--yes"})
                 .ExitCode != 0) {
           return Result{{}, {}, "the image could not be made"};
         }
         const auto before = FileBytes(destination->BackingFile(), 0, kDiskBytes);
         Result result{
             RunDrivecopy({"restore", image, destination->WritablePath(destination->DevicePath()), "--yes"}),
             {image, destination->DevicePath(), "512-byte", "4096-byte"},
             {}};
         result.Wrong = UnchangedOrSay(*destination, before);
         return result;
       },
       1,
       {}},
      {"a partition of the 512-byte-sector disk cloned onto a partition of a 4096-byte-sector disk",
       [&](const ScratchDirectory&) {
         auto source = Disk512(gpt, 12);
         auto destination = Disk4096(13);
         destination->WritePartitionTable("label: gpt\nstart=256, size=1024\n", {1});
         Result result{RunDrivecopy({"clone", source->PartitionPath(1),
                                     destination->WritablePath(destination->PartitionPath(1)), "--yes"}),
                       {},
                       {}};
         if (FileBytes(destination->BackingFile(), 256 * 4096, 4096 * 512) !=
             FileBytes(source->BackingFile(), 2048 * 512, 4096 * 512)) {
           result.Wrong = "the partition was not copied";
         }
         return result;
       },
       0,
       {}},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ScratchDirectory scratch;
    const Result result = c.Act(scratch);
    EXPECT_EQ(result.Run.ExitCode, c.ExitCode) << result.Run;
    const std::string said = result.Run.Out + result.Run.Err;
    for (const std::string& words : result.Says)
      EXPECT_NE(said.find(words), std::string::npos) << words << ": " << result.Run;
    for (const std::string& words : c.NeverSays)
      EXPECT_EQ(said.find(words), std::string::npos) << words << ": " << result.Run;
    EXPECT_EQ(result.Wrong, "") << result.Run;
  }
}

}  // namespace
}  // namespace drivecopy
