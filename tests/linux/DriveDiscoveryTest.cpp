// How the real machine's drives are found and named: many loop devices do not
// push anything out of the list, packaged images and empty loop devices stay
// out, a listed name is exactly what the commands take, a partition node the
// kernel has not brought up to date with a changed table is refused, and a
// device that stops answering holds up nothing that does not name it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "FaultyDisk.h"
#include "JobTestSupport.h"
#include "LoopDevice.h"
#include "disk/DriveLists.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/TransferRecordingPlatform.h"

namespace drivecopy {
namespace {

using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;

nlohmann::json ListJson() {
  const auto run = RunDrivecopy({"list", "--json"});
  EXPECT_EQ(run.ExitCode, 0) << run;
  auto listing = nlohmann::json::parse(run.Out, nullptr, false);
  EXPECT_FALSE(listing.is_discarded()) << run;
  return listing;
}

const nlohmann::json* DriveAt(const nlohmann::json& listing, const std::string& devicePath) {
  for (const auto& drive : listing["drives"])
    if (drive["devicePath"] == devicePath) return &drive;
  return nullptr;
}

bool IsLoopPath(const std::string& path) { return path.starts_with("/dev/loop"); }

TEST(DriveDiscovery, ManyLoopDevicesAreAllListedAfterTheRealDisksAndSnapImagesAreLeftOut) {
  SKIP_WITHOUT_LOOP_DEVICES();
  std::vector<std::unique_ptr<LoopDevice>> plain;
  for (int i = 0; i < 30; ++i) plain.push_back(std::make_unique<LoopDevice>(1 << 20));
  LoopDevice partitioned(8 << 20);
  partitioned.WritePartitionTable(
      "label: dos\nstart=2048, size=4096, type=83\nstart=6144, size=4096, type=83\n", {1, 2});
  // A read-only loop device over a squashfs image is how a snap package is
  // mounted: it is no disk anyone images.
  ScratchDirectory scratch;
  const std::string package = scratch.File("package.snap");
  {
    std::ofstream out(package, std::ios::binary);
    std::string content(1 << 20, '\0');
    content.replace(0, 4, "hsqs");
    out << content;
  }
  LoopDevice snap(package, "--read-only");

  const nlohmann::json listing = ListJson();
  std::vector<std::string> order;
  for (const auto& drive : listing["drives"]) order.push_back(drive["devicePath"]);

  for (const auto& device : plain) {
    EXPECT_NE(DriveAt(listing, device->DevicePath()), nullptr) << device->DevicePath() << " missing";
  }
  EXPECT_EQ(DriveAt(listing, snap.DevicePath()), nullptr) << "a snap image is listed";
  const nlohmann::json* disk = DriveAt(listing, partitioned.DevicePath());
  ASSERT_NE(disk, nullptr);
  ASSERT_EQ((*disk)["partitions"].size(), 2u);
  EXPECT_EQ((*disk)["partitions"][0]["name"], partitioned.PartitionPath(1));
  EXPECT_EQ((*disk)["partitions"][1]["name"], partitioned.PartitionPath(2));

  // Every drive has a medium (no empty loop device), and no loop device
  // comes before a real disk; the drive numbers follow the order.
  bool loopSeen = false;
  int previousNumber = -1;
  for (const auto& drive : listing["drives"]) {
    const std::string path = drive["devicePath"];
    EXPECT_GT(drive["endSector"].get<long long>(), 0) << path;
    EXPECT_FALSE(loopSeen && !IsLoopPath(path)) << path << " listed after a loop device";
    loopSeen |= IsLoopPath(path);
    EXPECT_GT(drive["driveNumber"].get<int>(), previousNumber) << path;
    previousNumber = drive["driveNumber"];
    EXPECT_EQ(drive["name"], path);
  }
}

TEST(DriveDiscovery, ListedNamesReachTheRowsTheyNameAndNothingElse) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(8 << 20, test_support::PseudoRandomBytes(8 << 20, 7));
  disk.WritePartitionTable("label: dos\nstart=2048, size=2048, type=83\nstart=6144, size=4096, type=83\n",
                           {1, 2});
  ScratchDirectory scratch;

  const nlohmann::json listing = ListJson();
  const nlohmann::json* drive = DriveAt(listing, disk.DevicePath());
  ASSERT_NE(drive, nullptr);
  std::vector<const nlohmann::json*> rows{drive};
  for (const auto& partition : (*drive)["partitions"]) rows.push_back(&partition);
  for (const nlohmann::json* row : rows) {
    const std::string name = (*row)["name"];
    SCOPED_TRACE(name);
    const std::string image = scratch.File("row.img");
    const auto run = RunDrivecopy({"create", name, image, "--compression", "raw", "--yes"});
    ASSERT_EQ(run.ExitCode, 0) << run;
    const long long first = (*row)["firstSector"];
    const long long end = (*row)["endSector"];
    EXPECT_EQ(FileBytes(image, 0, 1LL << 30), FileBytes(disk.DevicePath(), first * 512, (end - first) * 512));
    std::remove(image.c_str());
  }

  // Names not written as the list writes them reach nothing.
  for (const std::string& odd : std::vector<std::string>{disk.DevicePath() + "p01", disk.DevicePath() + "#01",
                                                         disk.DevicePath() + "#1 ", disk.DevicePath() + "p3",
                                                         disk.DevicePath() + "#3"}) {
    const auto run = RunDrivecopy({"create", odd, scratch.File("odd.img"), "--yes"});
    EXPECT_EQ(run.ExitCode, 1) << odd << ": " << run;
    EXPECT_NE(run.Err.find(odd), std::string::npos) << run;
    EXPECT_FALSE(std::ifstream(scratch.File("odd.img")).good()) << odd;
  }
}

TEST(DriveDiscovery, APartitionNodeTheKernelKeptFromAnOlderTableIsRefused) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(16 << 20, test_support::PseudoRandomBytes(16 << 20, 11));
  disk.WritePartitionTable("label: dos\nstart=2048, size=4096, type=83\n", {1});
  // The table changes on disk while the kernel keeps the old partition 1.
  const std::string device = disk.WritablePath(disk.DevicePath());
  const auto rewrite = test_support::RunCommand(
      "echo 'label: dos\nstart=8192, size=8192, type=83' | sfdisk -q "
      "--no-reread --no-tell-kernel " +
      device + " 2>&1");
  ASSERT_EQ(rewrite.ExitCode, 0) << rewrite.Output;
  ASSERT_EQ(
      test_support::RunCommand("cat /sys/class/block/" + disk.PartitionPath(1).substr(5) + "/start").Output,
      "2048\n");

  ScratchDirectory scratch;
  const auto refused = RunDrivecopy({"create", disk.PartitionPath(1), scratch.File("p1.img"), "--yes"});
  EXPECT_EQ(refused.ExitCode, 1) << refused;
  for (const std::string& words :
       std::vector<std::string>{disk.PartitionPath(1), "sectors 2,048 to 6,144", "sectors 8,192 to 16,384",
                                "partx -u " + disk.DevicePath(), disk.DevicePath() + "#1"}) {
    EXPECT_NE(refused.Err.find(words), std::string::npos) << words << " missing from: " << refused;
  }
  EXPECT_FALSE(std::ifstream(scratch.File("p1.img")).good());

  // The list names the partition by the table, and that name reaches the
  // partition the table describes.
  const nlohmann::json listing = ListJson();
  const nlohmann::json* drive = DriveAt(listing, disk.DevicePath());
  ASSERT_NE(drive, nullptr);
  ASSERT_EQ((*drive)["partitions"].size(), 1u);
  EXPECT_EQ((*drive)["partitions"][0]["name"], disk.DevicePath() + "#1");
  const auto byTable = RunDrivecopy(
      {"create", disk.DevicePath() + "#1", scratch.File("t1.img"), "--compression", "raw", "--yes"});
  ASSERT_EQ(byTable.ExitCode, 0) << byTable;
  EXPECT_EQ(FileBytes(scratch.File("t1.img"), 0, 1 << 30),
            FileBytes(disk.DevicePath(), 8192LL * 512, 8192LL * 512));
}

TEST(DriveDiscovery, DrivesAreProbedWithoutAnyMountedVolume) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(1 << 20);
  // A rescue system runs from a RAM file system: no volume lives on a disk.
  struct WithoutVolumes : test_support::TransferRecordingPlatform {
    using TransferRecordingPlatform::TransferRecordingPlatform;
    std::vector<LogicalDrive> LogicalDrives() override { return {}; }
  };
  auto linux = MakeLinuxPlatform();
  WithoutVolumes platform(*linux);
  const PhysicalDriveListing listing = DriveLists(platform).PhysicalDriveRows(CloneEndpoint{});
  bool found = false;
  for (const DriveRow& row : listing.Rows) found |= row.Record.DevicePath == disk.DevicePath();
  EXPECT_TRUE(found);
  EXPECT_FALSE(listing.ShowAdminRightsMessage);
}

TEST(DriveDiscovery, ADeviceThatStopsAnsweringHoldsUpNothingThatDoesNotNameIt) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  test_support::FaultyDisk hung(std::vector<std::byte>(1 << 20), test_support::DiskFaults{});
  LoopDevice source(4 << 20, test_support::PseudoRandomBytes(4 << 20, 21));
  LoopDevice destination(4 << 20, test_support::PseudoRandomBytes(4 << 20, 22));
  ScratchDirectory scratch;
  hung.StopAnswering();
  // Until then the kernel may still answer from what it has cached of the file.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  using Clock = std::chrono::steady_clock;
  auto secondsSince = [](Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  // One look at a device may take 15 seconds; jobs that never look at the
  // hung device end well before that.
  constexpr double kLookLimit = 15;

  // Each run is cut off after a minute, so that a fault shows as a failure.
  const std::vector<std::string> cutOff = {"timeout", "60"};
  auto started = Clock::now();
  const std::string image = scratch.File("source.img");
  const auto created =
      RunDrivecopy({"create", source.DevicePath(), image, "--compression", "raw", "--yes"}, cutOff);
  const auto cloned = RunDrivecopy(
      {"clone", source.DevicePath(), destination.WritablePath(destination.DevicePath()), "--yes"}, cutOff);
  EXPECT_LT(secondsSince(started), kLookLimit - 5);
  ASSERT_EQ(created.ExitCode, 0) << created;
  ASSERT_EQ(cloned.ExitCode, 0) << cloned;
  EXPECT_EQ(FileBytes(image, 0, 4 << 20), FileBytes(source.BackingFile(), 0, 4 << 20));
  EXPECT_EQ(FileBytes(destination.BackingFile(), 0, 4 << 20), FileBytes(source.BackingFile(), 0, 4 << 20));

  // The list gives up on it after one look's time and names it, with the reason.
  started = Clock::now();
  const auto listed = RunDrivecopy({"list", "--json"}, cutOff);
  EXPECT_LT(secondsSince(started), kLookLimit + 15);
  ASSERT_EQ(listed.ExitCode, 0) << listed;
  const auto listing = nlohmann::json::parse(listed.Out, nullptr, false);
  ASSERT_FALSE(listing.is_discarded()) << listed;
  EXPECT_EQ(DriveAt(listing, hung.DevicePath()), nullptr);
  EXPECT_NE(DriveAt(listing, source.DevicePath()), nullptr);
  bool named = false;
  for (const auto& drive : listing["notAnswering"]) {
    if (drive["devicePath"] != hung.DevicePath()) continue;
    named = true;
    EXPECT_NE(drive["reason"].get<std::string>().find("no answer within 15 seconds"), std::string::npos)
        << drive;
  }
  EXPECT_TRUE(named) << listing.dump(2);

  // Ctrl-C while a command waits for the hung device ends it at once, and the
  // image it was to replace stays as it was.
  const std::string kept = scratch.File("kept.img");
  const auto keptBytes = test_support::PseudoRandomBytes(64 << 10, 23);
  std::ofstream(kept, std::ios::binary)
      .write(reinterpret_cast<const char*>(keptBytes.data()), static_cast<std::streamsize>(keptBytes.size()));
  test_support::BackgroundRun waiting({"create", hung.DevicePath(), kept, "--yes"});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  waiting.Signal(SIGINT);
  const auto interrupted = waiting.WaitUpTo(2);
  ASSERT_TRUE(interrupted) << "Ctrl-C did not end the program";
  EXPECT_EQ(interrupted->ExitCode, -1) << *interrupted;  // ended by the signal
  EXPECT_EQ(FileBytes(kept, 0, 1 << 20), keptBytes);
}

}  // namespace
}  // namespace drivecopy
