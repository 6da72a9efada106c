// The verification after writing on loop devices: it reads what was written
// back from the medium, not from the page cache, so a sector changed beneath
// a cache that still holds the written bytes is found; and restore, clone and
// create pass with --verify on intact copies.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "JobTestSupport.h"
#include "LoopDevice.h"
#include "jobs/RestoreImageJob.h"
#include "platform/linux/LinuxPlatform.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

namespace drivecopy {
namespace {

using test_support::FileBytes;
using test_support::LoopDevice;
using test_support::PseudoRandomBytes;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;

constexpr std::int64_t kDiskBytes = 4LL << 20;
constexpr std::int64_t kFirst = 2048;
constexpr std::int64_t kImageSectors = 2048;  // 1 MiB
constexpr std::int64_t kChanged = kFirst + 100;

// Records the memo; at the line that starts the verification it runs a hook.
class HookObserver : public JobObserver {
 public:
  std::function<void()> AtVerifyStart;
  std::vector<std::string> Lines;

  void MemoLine(const std::string& line) override {
    Lines.push_back(line);
    if (line.starts_with("Verifying") && AtVerifyStart) AtVerifyStart();
  }
  void Progress(const JobProgress&) override {}
  bool Confirm(JobQuestion, const std::string&) override { return true; }
  void ShowError(const std::string& title, const std::string& text) override {
    ADD_FAILURE() << title << ": " << text;
  }
  void Pump() override {}
  bool StopRequested() override { return false; }
};

std::vector<std::byte> ReadThrough(int fd, std::int64_t offset, std::size_t length) {
  std::vector<std::byte> bytes(length);
  const ssize_t got = ::pread(fd, bytes.data(), length, offset);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return bytes;
}

// Between the restore and its verification, three sectors are changed in the
// loop device's backing file, after the device's page cache was filled with
// the restored bytes through a buffered descriptor that stays open. A read
// through the cache still shows the restored bytes there; the verification
// must name the three sectors, which only a read that goes to the device
// itself (direct I/O) can see.
TEST(VerifyAfterWriting, ReadsBackPastThePageCacheAndNamesTheChangedSectors) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(kDiskBytes, PseudoRandomBytes(kDiskBytes, 1));
  ScratchDirectory scratch;
  const std::string image = scratch.File("x.img");
  const auto imageBytes = PseudoRandomBytes(kImageSectors * 512, 2);
  {
    const int fd = ::open(image.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, imageBytes.data(), imageBytes.size()), static_cast<ssize_t>(imageBytes.size()));
    ::close(fd);
  }
  const std::string device = disk.WritablePath(disk.DevicePath());
  const std::vector<std::byte> changed(3 * 512, std::byte{0x42});
  bool cacheHeldTheRestoredBytes = false;
  int buffered = -1;

  HookObserver observer;
  observer.AtVerifyStart = [&] {
    buffered = ::open(device.c_str(), O_RDONLY);
    ASSERT_GE(buffered, 0);
    const auto restored = ReadThrough(buffered, kFirst * 512, kImageSectors * 512);  // fills the cache
    ASSERT_TRUE(std::equal(restored.begin(), restored.end(), imageBytes.begin(), imageBytes.end()));
    const int backing = ::open(disk.BackingFile().c_str(), O_WRONLY);
    ASSERT_GE(backing, 0);
    ASSERT_EQ(::pwrite(backing, changed.data(), changed.size(), kChanged * 512),
              static_cast<ssize_t>(changed.size()));
    ::fsync(backing);
    ::close(backing);
    const auto cached = ReadThrough(buffered, kChanged * 512, changed.size());
    const auto* expected = imageBytes.data() + (kChanged - kFirst) * 512;
    cacheHeldTheRestoredBytes = std::equal(cached.begin(), cached.end(), expected, expected + changed.size());
  };
  auto platform = MakeLinuxPlatform();
  const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), LanguageEnglish);
  RestoreImageParameters parameters{device, kFirst, kDiskBytes / 512, image, "loop"};
  parameters.Verify = true;
  OperationMemo memo;
  const JobOutcome outcome = RunRestoreImageJob(*platform, texts, parameters, memo, observer);
  if (buffered >= 0) ::close(buffered);

  ASSERT_TRUE(cacheHeldTheRestoredBytes)
      << "the page cache did not keep the restored bytes; nothing is shown";
  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(outcome.Verification, VerifyResult::Differs);
  EXPECT_EQ(outcome.DifferingSectors, 3);
  const std::string range = "Sectors 2148 to 2150 of " + device + " differ from " + image + ".";
  EXPECT_NE(std::find(observer.Lines.begin(), observer.Lines.end(), range), observer.Lines.end())
      << testing::PrintToString(observer.Lines);
  EXPECT_EQ(observer.Lines.back(), "Verification failed: 3 of 2,048 sectors differ.");
}

// The commands on real devices and files: a raw image read back with direct
// I/O from its file system, restored and cloned onto loop devices.
TEST(VerifyAfterWriting, CommandsPassOnIntactCopies) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice source(kDiskBytes, PseudoRandomBytes(kDiskBytes, 3));
  LoopDevice destination(kDiskBytes, PseudoRandomBytes(kDiskBytes, 4));
  ScratchDirectory scratch;
  const std::string image = scratch.File("s.img");
  const std::string target = destination.WritablePath(destination.DevicePath());

  const auto created = RunDrivecopy({"create", source.DevicePath(), image, "--yes", "--verify"});
  EXPECT_EQ(created.ExitCode, 0) << created;
  EXPECT_NE(created.Out.find("Verification passed: all 8,192 sectors of " + image), std::string::npos)
      << created;

  const auto restored = RunDrivecopy({"restore", image, target, "--yes", "--verify"});
  EXPECT_EQ(restored.ExitCode, 0) << restored;
  EXPECT_NE(restored.Out.find("Verification passed: all 8,192 sectors of " + target), std::string::npos)
      << restored;

  const auto cloned = RunDrivecopy({"clone", source.DevicePath(), target, "--yes", "--verify"});
  EXPECT_EQ(cloned.ExitCode, 0) << cloned;
  EXPECT_NE(cloned.Out.find("Verification passed: all 8,192 sectors of " + target), std::string::npos)
      << cloned;
  EXPECT_EQ(FileBytes(destination.BackingFile(), 0, kDiskBytes),
            FileBytes(source.BackingFile(), 0, kDiskBytes));
}

}  // namespace
}  // namespace drivecopy
