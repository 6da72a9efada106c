// Create and clone from a real block device with unreadable sectors (the FUSE
// fault file through a loop device): every readable sector arrives, every
// unreadable one becomes zeros and is named once, by its absolute number (a
// run of neighbours in one line), and the program ends with exit status 4.
#include <gtest/gtest.h>

#include <set>

#include "FaultyDisk.h"
#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

using test_support::FaultyDisk;
using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::RunDrivecopy;

constexpr std::int64_t kDiskSectors = 16384;  // 8 MiB

std::vector<std::byte> DiskContent() {
  auto content = test_support::PseudoRandomBytes(kDiskSectors * 512, 17);
  // No stray boot signature: the disk starts without a partition table.
  content[510] = content[511] = std::byte{0};
  return content;
}

// `copy` (sectors `first` .. of the disk) holds the disk's bytes with the
// bad sectors zeroed; names the first sector that differs.
::testing::AssertionResult HoldsTheReadableSectors(const std::vector<std::byte>& copy,
                                                   const std::string& backing, std::int64_t first,
                                                   const std::set<std::int64_t>& bad) {
  const auto original = FileBytes(backing, first * 512, static_cast<std::int64_t>(copy.size()));
  if (original.size() != copy.size()) return ::testing::AssertionFailure() << "the copy has the wrong size";
  const std::vector<std::byte> zeros(512);
  for (std::size_t offset = 0; offset < copy.size(); offset += 512) {
    const std::int64_t sector = first + static_cast<std::int64_t>(offset / 512);
    const std::byte* expected = bad.contains(sector) ? zeros.data() : original.data() + offset;
    if (!std::equal(expected, expected + 512, copy.begin() + static_cast<std::ptrdiff_t>(offset)))
      return ::testing::AssertionFailure()
             << "sector " << sector << (bad.contains(sector) ? " (unreadable)" : "") << " differs";
  }
  return ::testing::AssertionSuccess();
}

// How many lines of a job's output name bad sectors.
std::size_t BadSectorLineCount(const std::string& out) {
  std::size_t count = 0;
  for (std::size_t at = out.find("@:"); at != std::string::npos; at = out.find("@:", at + 2)) ++count;
  return count;
}

TEST(BadSectorCommands, ImageOfAPartitionZeroFillsAndNamesEachUnreadableSectorByItsDiskNumber) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  constexpr std::int64_t kFirst = 2048;
  constexpr std::int64_t kSectors = 12288;
  // Alone, in a run across a block boundary, the partition's first and last.
  const std::set<std::int64_t> bad = {kFirst, 3000, 4223, 4224, 4225, 9000, kFirst + kSectors - 1};
  auto content = DiskContent();
  test_support::PutOnePartitionTable(content, kFirst, kSectors);
  FaultyDisk disk(content, {bad.begin(), bad.end()});
  disk.Loop().AwaitPartitions({1});
  test_support::ScratchDirectory scratch;

  for (const char* compression : {"raw", "low"}) {
    SCOPED_TRACE(compression);
    const std::string image = scratch.File(std::string(compression) + ".img");
    auto run =
        RunDrivecopy({"create", disk.Loop().PartitionPath(1), image, "--compression", compression, "--yes"});
    EXPECT_EQ(run.ExitCode, 4) << run;
    EXPECT_EQ(test_support::SectorsNamedInMemo(run.Out), std::multiset<std::int64_t>(bad.begin(), bad.end()))
        << run;
    EXPECT_EQ(BadSectorLineCount(run.Out), 5u) << run;  // 4223 to 4225 in one

    std::vector<std::byte> copy;
    if (std::string(compression) == "raw") {
      copy = FileBytes(image, 0, kSectors * 512 + 1);
    } else {
      // Restored onto a plain disk, the headed image shows what it holds.
      LoopDevice target(kSectors * 512);
      auto restored = RunDrivecopy({"restore", image, target.WritablePath(target.DevicePath()), "--yes"});
      ASSERT_EQ(restored.ExitCode, 0) << restored;
      copy = FileBytes(target.BackingFile(), 0, kSectors * 512);
    }
    EXPECT_TRUE(HoldsTheReadableSectors(copy, disk.BackingImage(), kFirst, bad));
  }
}

TEST(BadSectorCommands, DiskCloneZeroFillsAndNamesEachUnreadableSource) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  const std::set<std::int64_t> bad = {1000, 2047, 2048, 2049, 2050, 9000, kDiskSectors - 1};
  FaultyDisk disk(DiskContent(), {bad.begin(), bad.end()});
  constexpr std::int64_t kDestinationBytes = kDiskSectors * 512;
  LoopDevice destination(kDestinationBytes, test_support::PseudoRandomBytes(kDestinationBytes, 23));

  auto run =
      RunDrivecopy({"clone", disk.DevicePath(), destination.WritablePath(destination.DevicePath()), "--yes"});
  EXPECT_EQ(run.ExitCode, 4) << run;
  EXPECT_EQ(test_support::SectorsNamedInMemo(run.Out), std::multiset<std::int64_t>(bad.begin(), bad.end()))
      << run;
  EXPECT_EQ(BadSectorLineCount(run.Out), 4u) << run;  // 2047 to 2050 in one
  EXPECT_TRUE(HoldsTheReadableSectors(FileBytes(destination.BackingFile(), 0, kDestinationBytes),
                                      disk.BackingImage(), 0, bad));
}

}  // namespace
}  // namespace drivecopy
