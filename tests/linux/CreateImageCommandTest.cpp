// `drivecopy create` on loop disks this test made: what lands in the image
// file, and how a target file system that runs full ends the job.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>

#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

using test_support::Ext4SourceDisk;
using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;

TEST(CreateImageCommand, RawImageOfAPartitionEqualsThatRangeOfTheDisk) {
  SKIP_WITHOUT_LOOP_DEVICES();
  Ext4SourceDisk source;
  ScratchDirectory scratch;
  const std::string image = scratch.File("partition.img");

  auto run = RunDrivecopy({"create", source.PartitionPath(), image, "--compression", "raw", "--yes"});
  ASSERT_EQ(run.ExitCode, 0) << run;
  EXPECT_NE(run.Out.find("Ready"), std::string::npos) << run;

  const std::string copied = scratch.File("dd.img");
  auto dd = test_support::RunCommand("dd if=" + test_support::ShellQuoted(source.Loop().DevicePath()) +
                                     " of=" + test_support::ShellQuoted(copied) +
                                     " bs=512 skip=" + std::to_string(Ext4SourceDisk::kFirstSector) +
                                     " count=" + std::to_string(Ext4SourceDisk::kPartitionSectors) +
                                     " iflag=direct status=none 2>&1");
  ASSERT_EQ(dd.ExitCode, 0) << dd.Output;
  const auto imageBytes = FileBytes(image, 0, Ext4SourceDisk::kPartitionSectors * 512 + 1);
  ASSERT_EQ(imageBytes.size(), static_cast<std::size_t>(Ext4SourceDisk::kPartitionSectors * 512));
  EXPECT_TRUE(imageBytes == FileBytes(copied, 0, Ext4SourceDisk::kPartitionSectors * 512));
}

TEST(CreateImageCommand, HeadedImageAtMediumPassesVerification) {
  SKIP_WITHOUT_LOOP_DEVICES();
  Ext4SourceDisk source;
  ScratchDirectory scratch;
  const std::string image = scratch.File("partition.img");

  auto run = RunDrivecopy({"create", source.PartitionPath(), image, "--compression", "medium", "--yes"});
  ASSERT_EQ(run.ExitCode, 0) << run;

  auto verify = RunDrivecopy({"info", image, "--verify"});
  EXPECT_EQ(verify.ExitCode, 0) << verify;
  // The ext4 file system is mostly empty: medium compression must pay off.
  EXPECT_LT(std::filesystem::file_size(image),
            static_cast<std::uintmax_t>(Ext4SourceDisk::kPartitionSectors * 512 / 2));
}

// The target passes the free-space check (its free bytes cover the raw
// image) but cannot hold the file, because ext2 with 1 KiB blocks needs
// indirect blocks besides the data. The write itself then fails, and the
// part-written raw image is deleted.
TEST(CreateImageCommand, TargetFileSystemRunningFullFailsNamingTheFileAndTheCause) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice target(8LL << 20);
  target.WritePartitionTable(test_support::OnePartitionTable(2048, 12288), {1});
  target.MakeFileSystem(1, "mkfs.ext2 -q -F -b 1024 -m 0");
  const std::string mountPoint = target.Mount(1, "ext2");
  struct statvfs space {};
  ASSERT_EQ(::statvfs(mountPoint.c_str(), &space), 0);
  const std::int64_t freeBytes =
      static_cast<std::int64_t>(space.f_bavail) * static_cast<std::int64_t>(space.f_frsize);
  const std::int64_t sourceSectors = freeBytes / 512;
  ASSERT_GT(sourceSectors, 4096);

  LoopDevice source(sourceSectors * 512 + (4LL << 20),
                    test_support::PseudoRandomBytes(sourceSectors * 512 + (1LL << 20), 3));
  source.WritePartitionTable(test_support::OnePartitionTable(2048, sourceSectors), {1});
  const std::string image = mountPoint + "/full.img";

  auto run = RunDrivecopy({"create", source.PartitionPath(1), image, "--compression", "raw", "--yes"});
  EXPECT_EQ(run.ExitCode, 1) << run;
  EXPECT_NE(run.Err.find("full.img"), std::string::npos) << run;
  EXPECT_NE(run.Err.find("No space left on device"), std::string::npos) << run;
  EXPECT_EQ(run.Out.find("Ready"), std::string::npos) << run;
  // What was written of the image is not left behind, under any name.
  EXPECT_FALSE(std::filesystem::exists(image));
  EXPECT_FALSE(std::filesystem::exists(image + ".drivecopy-partial"));
  EXPECT_NE(run.Out.find("The image " + image + " could not be written completely"), std::string::npos)
      << run;
}

}  // namespace
}  // namespace drivecopy
