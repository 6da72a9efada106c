// `drivecopy clone` of a whole loop disk onto a larger one.
#include <gtest/gtest.h>

#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

using test_support::Ext4SourceDisk;
using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::RunDrivecopy;

TEST(CloneCommand, DiskCloneOntoALargerDiskCopiesTheSourceLengthAndNothingMore) {
  SKIP_WITHOUT_LOOP_DEVICES();
  Ext4SourceDisk source;
  constexpr std::int64_t kDestinationBytes = Ext4SourceDisk::kDiskBytes + (16LL << 20);
  // Other bytes everywhere, so that every byte the clone must write shows.
  LoopDevice destination(kDestinationBytes, test_support::PseudoRandomBytes(kDestinationBytes, 9));
  const auto before = FileBytes(destination.BackingFile(), 0, kDestinationBytes);

  auto run = RunDrivecopy(
      {"clone", source.Loop().DevicePath(), destination.WritablePath(destination.DevicePath()), "--yes"});
  ASSERT_EQ(run.ExitCode, 0) << run;

  const auto after = FileBytes(destination.BackingFile(), 0, kDestinationBytes);
  const auto sourceBytes = FileBytes(source.Loop().BackingFile(), 0, Ext4SourceDisk::kDiskBytes);
  ASSERT_EQ(after.size(), before.size());
  const auto copiedEnd = after.begin() + Ext4SourceDisk::kDiskBytes;
  EXPECT_TRUE(std::equal(after.begin(), copiedEnd, sourceBytes.begin(), sourceBytes.end()));
  EXPECT_TRUE(std::equal(copiedEnd, after.end(), before.begin() + Ext4SourceDisk::kDiskBytes))
      << "bytes past the source's length changed";
}

}  // namespace
}  // namespace drivecopy
