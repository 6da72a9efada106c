#pragma once
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace drivecopy::test_support {

// Why real-device tests cannot run here ("" when they can): they need root
// and the loop device control node.
std::string LoopDevicesUnavailableReason();

#define SKIP_WITHOUT_LOOP_DEVICES()                                                               \
  do {                                                                                            \
    if (auto reason = ::drivecopy::test_support::LoopDevicesUnavailableReason(); !reason.empty()) \
      GTEST_SKIP() << reason;                                                                     \
  } while (0)

// A loop device over a sparse file in a private temporary directory, with
// partition scanning on. It writes partition tables, makes file systems and
// mounts them, but only on the loop device it attached itself (and that
// device's partitions): every such step first checks that the device still
// is ours, showing our own file (the same device and inode, as the kernel
// tells through LOOP_GET_STATUS64, whatever name sysfs gives it), and aborts
// the test program otherwise.
// The destructor unmounts what it mounted, detaches the device and removes
// its directory.
class LoopDevice {
 public:
  // Attaches a new device of `bytes` bytes; `content`, when given, is
  // written at the start of the backing file before attaching. Throws when
  // the device cannot be set up.
  explicit LoopDevice(std::int64_t bytes, const std::vector<std::byte>& content = {});
  // The same, with extra losetup options ("--sector-size 4096"), and with
  // partition scanning only when `scanPartitions` (without it the kernel
  // reads no table: partitions appear only when added by hand, `partx -a`).
  LoopDevice(std::int64_t bytes, const std::vector<std::byte>& content, const std::string& losetupOptions,
             bool scanPartitions);
  // Where losetup runs: here, or in a mount namespace of its own in which
  // the file's folder is bind-mounted at another path, so that the name the
  // kernel keeps for the backing file does not exist here.
  enum class AttachFrom { ThisMountNamespace, AnotherMountNamespace };
  // Attaches a new device over an existing file that the caller made and
  // owns (a FUSE fault file, say), with extra losetup options such as
  // "--direct-io=on --sector-size 512". The file is left in place.
  LoopDevice(const std::string& existingFile, const std::string& losetupOptions,
             AttachFrom from = AttachFrom::ThisMountNamespace);
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& DevicePath() const { return device_; }  // /dev/loopN
  const std::string& BackingFile() const { return backingFile_; }
  std::string PartitionPath(int number) const;  // /dev/loopNpK; the device itself for 0

  // Writes a partition table from an sfdisk script and waits until the
  // kernel shows the partition nodes listed.
  void WritePartitionTable(const std::string& sfdiskScript, const std::vector<int>& expectedPartitions);
  // Waits for the partition nodes of a table that the device already held
  // when it was attached (the kernel scans it then).
  void AwaitPartitions(const std::vector<int>& numbers) { WaitForPartitionNodes(numbers); }
  void MakeExt4(int partition);
  // Makes a file system with `mkfsCommand` (e.g. "mkfs.ext2 -q -b 1024"),
  // given the partition node as its last word.
  void MakeFileSystem(int partition, const std::string& mkfsCommand);
  // Mounts the partition (0: the whole device) in our temporary directory;
  // returns the mount point.
  std::string Mount(int partition, const std::string& fileSystemType = "ext4");
  // Makes the partition swap space and turns it on, until the destructor.
  void StartSwap(int partition);
  // Unmounts a mount point that Mount returned (after a sync), so that the
  // partition can be read or compared as it rests.
  void Unmount(const std::string& mountPoint);
  // The path of our own device (or partition), checked, for a test that
  // writes to it through the program.
  std::string WritablePath(const std::string& path) const;

 private:
  void RequireOwnDevice(const std::string& path) const;
  void WaitForPartitionNodes(const std::vector<int>& numbers);
  void Attach(const std::string& losetupOptions, AttachFrom from, bool scanPartitions = true);
  std::filesystem::path PrivateDirectory();

  std::filesystem::path directory_;
  std::string backingFile_;
  dev_t backingDevice_ = 0;  // the backing file's file system and inode
  ino_t backingInode_ = 0;
  std::string device_;
  std::vector<std::string> mountPoints_;
  std::vector<std::string> swapAreas_;
};

// Runs a shell command line; returns its exit code and standard output.
struct CommandResult {
  int ExitCode = -1;
  std::string Output;
};
CommandResult RunCommand(const std::string& commandLine);

// Starts words[0] (a path) with the other words as arguments, standard input
// from /dev/null and standard output to `outputPath`, standard error to
// `errorPath` (or the output file when empty); its process id, -1 when it
// cannot be started.
pid_t StartProgram(const std::vector<std::string>& words, const std::string& outputPath,
                   const std::string& errorPath = "");

// Single-quotes a word for the shell.
std::string ShellQuoted(const std::string& word);

}  // namespace drivecopy::test_support
