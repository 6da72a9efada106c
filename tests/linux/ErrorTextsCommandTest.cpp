// A careless user on the real machine, as root and as an ordinary user: an
// image in a folder that does not exist or may not be written, a read-only
// file, a full file system, a disk the user may not open, a destination too
// small (the sizes named). Every failure ends with status 1 and one error line that names the
// path and the cause; a disk refused for want of rights says what is needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "JobTestSupport.h"
#include "LoopDevice.h"

namespace drivecopy {
namespace {

namespace fs = std::filesystem;
using test_support::LoopDevice;
using test_support::ProgramRun;
using test_support::RunCommand;
using test_support::RunDrivecopy;
using test_support::ScratchDirectory;
using test_support::ShellQuoted;

constexpr std::int64_t kImageBytes = 4LL << 20;
const std::string kRightsNeeded =
    "(reading or writing disks needs root rights or membership in the group disk)";
const std::vector<std::string> kAsNobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};

void WriteFileOf(const std::string& path, std::int64_t bytes, fs::perms permissions) {
  const auto content = test_support::PseudoRandomBytes(bytes, 7);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(content.data()), bytes);
  fs::permissions(path, permissions);
}

// A tmpfs of 1 MiB in a folder of its own, unmounted by the destructor.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const std::string& folder) : folder_(folder) {
    fs::create_directory(folder_);
    mounted_ =
        RunCommand("mount -t tmpfs -o size=1m,mode=0777 drivecopy-test " + ShellQuoted(folder_)).ExitCode ==
        0;
  }
  ~SmallFileSystem() {
    if (mounted_) RunCommand("umount " + ShellQuoted(folder_));
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool Mounted() const { return mounted_; }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  // Empties it and puts a sparse file of the image's size in it, which the
  // file system has no room to fill.
  void Reset() const {
    for (const auto& entry : fs::directory_iterator(folder_)) fs::remove_all(entry.path());
    std::ofstream(File("sparse.bin"));
    fs::resize_file(File("sparse.bin"), kImageBytes);
  }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// The mode of a device node of our own, widened for the test and put back by
// the destructor (the node outlives the loop device).
class NodeMode {
 public:
  NodeMode(const std::string& node, fs::perms added) : node_(node), before_(fs::status(node).permissions()) {
    fs::permissions(node_, added, fs::perm_options::add);
  }
  ~NodeMode() { fs::permissions(node_, before_); }
  NodeMode(const NodeMode&) = delete;
  NodeMode& operator=(const NodeMode&) = delete;

 private:
  std::string node_;
  fs::perms before_;
};

struct Case {
  std::string What;
  std::vector<std::string> Arguments;
  std::vector<std::string> InError;  // the path, the cause, and what is needed
  bool RightsNeeded = false;         // the error says that disks need root
};

class ErrorTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto reason = test_support::LoopDevicesUnavailableReason(); !reason.empty()) GTEST_SKIP() << reason;
    folder_ = fs::path(scratch_.File("x")).parent_path().string();
    fs::permissions(folder_, fs::perms::all, fs::perm_options::replace);
    fs::permissions(folder_, fs::perms::others_write | fs::perms::group_write, fs::perm_options::remove);
    WriteFileOf(Path("source.bin"), kImageBytes, fs::perms(0644));
    WriteFileOf(Path("secret.bin"), kImageBytes, fs::perms(0600));
    WriteFileOf(Path("readonly.img"), 512, fs::perms(0444));
    fs::create_directory(Path("locked"));
    fs::permissions(Path("locked"), fs::perms(0555));
    fs::create_directory(Path("open"));
    fs::permissions(Path("open"), fs::perms(0777));
    WriteFileOf(Path("open/destination.bin"), kImageBytes, fs::perms(0666));

    disk_ = std::make_unique<LoopDevice>(8LL << 20);
    disk_->WritePartitionTable(test_support::OnePartitionTable(2048, 4096), {1});
    small_ = std::make_unique<LoopDevice>(1LL << 20);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  void Check(const Case& c, const std::vector<std::string>& launcher = {}) {
    const ProgramRun run = RunDrivecopy(c.Arguments, launcher);
    EXPECT_EQ(run.ExitCode, 1) << c.What << "\n" << run;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << c.What << "\n" << run;
    for (const std::string& part : c.InError)
      EXPECT_NE(run.Err.find(part), std::string::npos) << c.What << ": " << part << "\n" << run;
    EXPECT_EQ(run.Err.find(kRightsNeeded) != std::string::npos, c.RightsNeeded) << c.What << "\n" << run;
  }

  ScratchDirectory scratch_;
  std::string folder_;
  std::unique_ptr<LoopDevice> disk_;
  std::unique_ptr<LoopDevice> small_;
};

TEST_F(ErrorTexts, AnOrdinaryUserLearnsWhatIsMissing) {
  if (RunDrivecopy({"--help"}, kAsNobody).ExitCode != 0) {
    GTEST_SKIP()
        << "the program cannot be run as nobody here (no setpriv, no user nobody, or a private build folder)";
  }
  const std::string disk = disk_->DevicePath();
  const std::string partition = disk_->PartitionPath(1);
  const std::string small = small_->DevicePath();
  const Case cases[] = {
      {"a disk the user may not open, as source",
       {"create", disk, Path("open/x.img")},
       {"cannot open " + disk + ": Permission denied"},
       true},
      {"a partition node the user may not open, as destination",
       {"restore", Path("source.bin"), partition, "--yes"},
       {"cannot open " + partition + ": Permission denied"},
       true},
      {"a disk the user may not open, as an image to look at",
       {"info", small},
       {"cannot open " + small + ": Permission denied"},
       true},
      {"an image in a folder the user may not write",
       {"create", Path("source.bin"), Path("locked/x.img")},
       {"Unable to open file: " + Path("locked/x.img") + ": Permission denied"}},
      {"a read-only image file",
       {"create", Path("source.bin"), Path("readonly.img"), "--yes"},
       {Path("readonly.img"), "Permission denied"}},
      {"an image the user may not read",
       {"restore", Path("secret.bin"), Path("open/destination.bin"), "--yes"},
       {Path("secret.bin") + " cannot be opened for reading: Permission denied"}},
  };
  for (const Case& c : cases) Check(c, kAsNobody);

  // A disk this user may read but not write is listed, and refused when written.
  const NodeMode readable(disk, fs::perms::others_read);
  Check({"a disk the user may read but not write",
         {"restore", Path("source.bin"), disk, "--yes"},
         {disk + " cannot be opened for writing: Permission denied"},
         true},
        kAsNobody);
}

TEST_F(ErrorTexts, RootMeetsMissingFoldersFullFileSystemsAndSmallDisks) {
  const SmallFileSystem full(Path("full"));
  if (!full.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  const std::string small = small_->WritablePath(small_->DevicePath());
  const std::string partition = disk_->WritablePath(disk_->PartitionPath(1));
  const Case cases[] = {
      {"a raw image larger than the free space",
       {"create", Path("source.bin"), full.File("x.img")},
       {"Not enough disk space: The image " + full.File("x.img") +
        " needs 4,194,304 bytes (4.00 MBytes); the volume it is to be stored on has 1,048,576 bytes (1.00 "
        "MBytes) "
        "free."}},
      {"a disk smaller than the image",
       {"restore", Path("source.bin"), small, "--yes"},
       {"Partition to small: Destination partition to small. Select a bigger one. " + Path("source.bin") +
        " needs 8,192 sectors (4.00 MBytes), and the destination " + small +
        " (sectors 0 to 2047) holds only 2,048 sectors (1.00 MBytes)."}},
      {"a partition smaller than the disk cloned onto it",
       {"clone", disk_->DevicePath(), small, "--yes"},
       {disk_->DevicePath() + " needs 16,384 sectors (8.00 MBytes), and the destination " + small}},
      {"a partition smaller than the image",
       {"restore", Path("source.bin"), partition, "--yes"},
       {"and the destination " + disk_->DevicePath() +
        " (sectors 2048 to 6143) holds only 4,096 sectors (2.00 MBytes)."}},
      {"an image in a folder that does not exist",
       {"create", Path("source.bin"), Path("gone/x.img")},
       {"Unable to open file: " + Path("gone/x.img") + ": No such file or directory"}},
      {"an image to restore in a folder that does not exist",
       {"restore", Path("gone/x.img"), Path("open/destination.bin"), "--yes"},
       {Path("gone/x.img") + " cannot be opened for reading: No such file or directory"}},
      {"a compressed image the file system cannot hold",
       {"create", Path("source.bin"), full.File("x.img"), "--compression", "high"},
       {full.File("x.img"), "No space left on device"}},
      {"a restore onto a file the file system cannot fill",
       {"restore", Path("source.bin"), full.File("sparse.bin"), "--yes"},
       {"Writing to " + full.File("sparse.bin") + " failed at sector", "No space left on device"}},
  };
  for (const Case& c : cases) {
    full.Reset();
    Check(c);
  }
}

}  // namespace
}  // namespace drivecopy
