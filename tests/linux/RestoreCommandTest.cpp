// `drivecopy restore` onto partitions of loop disks this test made: a faithful
// copy that fsck accepts and every node shows, a damaged image stopped at its
// bad block, a mounted destination refused, and a whole drive whose new
// partitions the system shows at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

using test_support::Ext4SourceDisk;
using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::PseudoRandomBytes;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;

constexpr std::int64_t kFirst = Ext4SourceDisk::kFirstSector;
constexpr std::int64_t kSectors = Ext4SourceDisk::kPartitionSectors;

// A disk laid out like the source, full of other bytes, so that every byte
// the restore must write shows whether it was written.
std::unique_ptr<LoopDevice> DestinationDisk(std::int64_t bytes, std::uint32_t seed) {
  auto disk = std::make_unique<LoopDevice>(bytes, PseudoRandomBytes(bytes, seed));
  disk->WritePartitionTable(test_support::OnePartitionTable(kFirst, kSectors), {1});
  return disk;
}

TEST(RestoreImageCommand, RestoredPartitionIsIdenticalAndItsFileSystemChecksClean) {
  SKIP_WITHOUT_LOOP_DEVICES();
  Ext4SourceDisk source;
  const auto sourceBytes = source.PartitionBytes();
  ScratchDirectory scratch;

  for (const char* compression : {"raw", "medium"}) {
    SCOPED_TRACE(compression);
    const std::string image = scratch.File(std::string(compression) + ".img");
    auto created =
        RunDrivecopy({"create", source.PartitionPath(), image, "--compression", compression, "--yes"});
    ASSERT_EQ(created.ExitCode, 0) << created;

    auto destination = DestinationDisk(Ext4SourceDisk::kDiskBytes, 7);
    const auto before = FileBytes(destination->BackingFile(), 0, Ext4SourceDisk::kDiskBytes);
    // The partition's node keeps a page cache of its own while anyone holds
    // it open: fill it with the old bytes and keep it open over the restore.
    const std::string partition = destination->WritablePath(destination->PartitionPath(1));
    std::ifstream watcher(partition, std::ios::binary);
    std::vector<char> shown(static_cast<std::size_t>(kSectors * 512));
    watcher.read(shown.data(), static_cast<std::streamsize>(shown.size()));
    ASSERT_TRUE(watcher.good());
    auto restored =
        RunDrivecopy({"restore", image, destination->WritablePath(destination->PartitionPath(1)), "--yes"});
    ASSERT_EQ(restored.ExitCode, 0) << restored;

    const auto after = FileBytes(destination->BackingFile(), 0, Ext4SourceDisk::kDiskBytes);
    ASSERT_EQ(after.size(), before.size());
    const auto partitionStart = after.begin() + kFirst * 512;
    const auto partitionEnd = partitionStart + kSectors * 512;
    EXPECT_TRUE(std::equal(partitionStart, partitionEnd, sourceBytes.begin(), sourceBytes.end()));
    EXPECT_TRUE(std::equal(after.begin(), partitionStart, before.begin()))
        << "bytes before the partition changed";
    EXPECT_TRUE(std::equal(partitionEnd, after.end(), before.begin() + kFirst * 512 + kSectors * 512))
        << "bytes after the partition changed";

    // Read through the partition's own node, the new bytes show at once.
    watcher.seekg(0);
    watcher.read(shown.data(), static_cast<std::streamsize>(shown.size()));
    ASSERT_TRUE(watcher.good());
    EXPECT_TRUE(std::memcmp(shown.data(), sourceBytes.data(), shown.size()) == 0)
        << "the partition node still shows the bytes of before";
    watcher.close();
    auto fsck = test_support::RunCommand("fsck.ext4 -fn " + test_support::ShellQuoted(partition) + " 2>&1");
    EXPECT_EQ(fsck.ExitCode, 0) << fsck.Output;
  }
}

// Block 5 of a headed image is damaged: blocks 0 to 4 are restored, the
// error names block 5, and nothing of block 5 or later reaches the disk.
TEST(RestoreImageCommand, DamagedBlockStopsTheRestoreBeforeThatBlockIsWritten) {
  SKIP_WITHOUT_LOOP_DEVICES();
  constexpr std::int64_t kDiskBytes = 8LL << 20;
  constexpr std::int64_t kPartitionSectors = 8192;
  LoopDevice source(kDiskBytes, PseudoRandomBytes(kDiskBytes, 21));
  source.WritePartitionTable(test_support::OnePartitionTable(kFirst, kPartitionSectors), {1});
  ScratchDirectory scratch;
  const std::string image = scratch.File("damaged.img");
  auto created = RunDrivecopy({"create", source.PartitionPath(1), image, "--compression", "low", "--yes"});
  ASSERT_EQ(created.ExitCode, 0) << created;

  {
    const std::int64_t damaged = test_support::HeadedImageBlockOffset(image, 5) + 8 + 1000;
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(damaged);
    file.write("\x13\x37\xC0\xDE", 4);
    ASSERT_TRUE(file.good());
  }

  LoopDevice destination(kDiskBytes);  // all zeros
  destination.WritePartitionTable(test_support::OnePartitionTable(kFirst, kPartitionSectors), {1});
  auto restored =
      RunDrivecopy({"restore", image, destination.WritablePath(destination.PartitionPath(1)), "--yes"});
  EXPECT_EQ(restored.ExitCode, 1) << restored;
  EXPECT_NE(restored.Err.find("block 5"), std::string::npos) << restored;

  constexpr std::int64_t kGoodBytes = 5 * 65536;
  const auto written = FileBytes(destination.BackingFile(), kFirst * 512, kPartitionSectors * 512);
  const auto expected = FileBytes(source.BackingFile(), kFirst * 512, kGoodBytes);
  ASSERT_EQ(written.size(), static_cast<std::size_t>(kPartitionSectors * 512));
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin()))
      << "blocks before the damage are lost";
  EXPECT_TRUE(std::all_of(written.begin() + kGoodBytes, written.end(), [](std::byte b) {
    return b == std::byte{0};
  })) << "something of the damaged block or later was written";
}

TEST(RestoreImageCommand, MountedDestinationIsRefusedNamingItsMountPoint) {
  SKIP_WITHOUT_LOOP_DEVICES();
  ScratchDirectory scratch;
  const std::string image = scratch.File("any.img");
  {
    const auto data = PseudoRandomBytes(1 << 20, 5);
    std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), 1 << 20);
  }
  LoopDevice destination(Ext4SourceDisk::kDiskBytes);
  destination.WritePartitionTable(test_support::OnePartitionTable(kFirst, kSectors), {1});
  destination.MakeExt4(1);
  const std::string mountPoint = destination.Mount(1);

  auto restored =
      RunDrivecopy({"restore", image, destination.WritablePath(destination.PartitionPath(1)), "--yes"});
  EXPECT_EQ(restored.ExitCode, 1) << restored;
  EXPECT_NE(restored.Err.find(mountPoint), std::string::npos) << restored;
  const auto firstSectors = FileBytes(destination.BackingFile(), kFirst * 512, 4096);
  EXPECT_FALSE(std::equal(firstSectors.begin(), firstSectors.end(), FileBytes(image, 0, 4096).begin()))
      << "the image was written onto a mounted file system";
}

// A whole drive restored from an image of a partitioned disk: the kernel
// shows its partitions right away, and the file system on them checks clean.
TEST(RestoreImageCommand, WholeDriveRestoreShowsItsNewPartitions) {
  SKIP_WITHOUT_LOOP_DEVICES();
  Ext4SourceDisk source;
  ScratchDirectory scratch;
  const std::string image = scratch.File("disk.img");
  auto created = RunDrivecopy({"create", source.Loop().DevicePath(), image, "--compression", "low", "--yes"});
  ASSERT_EQ(created.ExitCode, 0) << created;

  LoopDevice blank(Ext4SourceDisk::kDiskBytes);
  auto restored = RunDrivecopy({"restore", image, blank.WritablePath(blank.DevicePath()), "--yes"});
  ASSERT_EQ(restored.ExitCode, 0) << restored;
  EXPECT_EQ(restored.Out.find("partition table"), std::string::npos) << restored;
  struct stat status {};
  ASSERT_EQ(::stat(blank.PartitionPath(1).c_str(), &status), 0)
      << blank.PartitionPath(1) << " did not appear";
  auto fsck = test_support::RunCommand(
      "fsck.ext4 -fn " + test_support::ShellQuoted(blank.WritablePath(blank.PartitionPath(1))) + " 2>&1");
  EXPECT_EQ(fsck.ExitCode, 0) << fsck.Output;
}

}  // namespace
}  // namespace drivecopy
