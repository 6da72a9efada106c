// The FUSE fault file through a loop device: a real block device that fails
// exactly the chosen sectors, which the bad-sector job tests rely on.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

#include "FaultyDisk.h"
#include "JobTestSupport.h"

namespace drivecopy {
namespace {

using test_support::FaultyDisk;

struct AlignedFree {
  void operator()(void* memory) const { std::free(memory); }
};

TEST(FaultyDisk, DirectReadsFailExactlyTheChosenSectorsAndWritesReachTheBackingFile) {
  SKIP_WITHOUT_FAULTY_DEVICES();
  constexpr std::int64_t kSectors = 2048;
  const auto content = test_support::PseudoRandomBytes(kSectors * 512, 11);
  const std::set<std::int64_t> bad = {0, 100, 1000, 1001, 1002, kSectors - 1};
  FaultyDisk disk(content, {bad.begin(), bad.end()});

  const int fd = ::open(disk.DevicePath().c_str(), O_RDWR | O_DIRECT | O_CLOEXEC);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  void* memory = nullptr;
  ASSERT_EQ(::posix_memalign(&memory, 4096, 65536), 0);
  std::unique_ptr<void, AlignedFree> owned(memory);
  auto* buffer = static_cast<std::byte*>(memory);

  for (std::int64_t sector = 0; sector < kSectors; ++sector) {
    const ssize_t got = ::pread(fd, buffer, 512, sector * 512);
    if (bad.contains(sector)) {
      ASSERT_EQ(got, -1) << "sector " << sector << " should fail";
      ASSERT_EQ(errno, EIO) << "sector " << sector;
    } else {
      ASSERT_EQ(got, 512) << "sector " << sector << ": " << std::strerror(errno);
      ASSERT_EQ(std::memcmp(buffer, content.data() + sector * 512, 512), 0) << "sector " << sector;
    }
  }
  // A block read that meets a bad sector is not a good read.
  EXPECT_NE(::pread(fd, buffer, 65536, 960 * 512), 65536);
  EXPECT_EQ(::pread(fd, buffer, 65536, 1024 * 512), 65536);

  // Writes go through, bad sectors included (only reads fail).
  std::memset(buffer, 0x5A, 1024);
  ASSERT_EQ(::pwrite(fd, buffer, 1024, 100 * 512), 1024);
  ASSERT_EQ(::fsync(fd), 0);
  ::close(fd);
  const auto stored = test_support::FileBytes(disk.BackingImage(), 100 * 512, 1024);
  EXPECT_EQ(stored, std::vector<std::byte>(1024, std::byte{0x5A}));
}

}  // namespace
}  // namespace drivecopy
