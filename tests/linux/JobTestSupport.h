#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "LoopDevice.h"

namespace drivecopy::test_support {

// Bytes that do not compress and differ from run to run of `seed`.
std::vector<std::byte> PseudoRandomBytes(std::int64_t count, std::uint32_t seed);

// `length` bytes of a file or device from `offset` (fewer at its end).
std::vector<std::byte> FileBytes(const std::string& path, std::int64_t offset, std::int64_t length);

// A private temporary directory for image files, removed with its content.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The byte offset of block `block`'s length field in a headed image file.
std::int64_t HeadedImageBlockOffset(const std::string& image, std::int64_t block);

// One run of the drivecopy binary with its exit code and both output streams.
struct ProgramRun {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};
// `launcher` words go before the program (setpriv ... to run it as another user).
ProgramRun RunDrivecopy(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& launcher = {});
std::ostream& operator<<(std::ostream& out, const ProgramRun& run);

// The drivecopy binary running in the background, its output going to
// files; the destructor kills it if it still runs.
class BackgroundRun {
 public:
  explicit BackgroundRun(const std::vector<std::string>& arguments);
  ~BackgroundRun();
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  // Waits until its standard output holds `text`; false after `seconds`.
  bool WaitForOutput(const std::string& text, int seconds = 20);
  void Signal(int signal);
  // Waits for the end; its exit code (-1 when a signal ended it) and output.
  // With `peakResidentKiB`, the program's peak resident memory is watched
  // until it ends (its VmHWM, read every few milliseconds) and put there.
  ProgramRun Wait(std::int64_t* peakResidentKiB = nullptr);
  // The same, but for at most `seconds`; nullopt while it still runs then
  // (the destructor kills it).
  std::optional<ProgramRun> WaitUpTo(double seconds);

 private:
  std::string directory_;
  pid_t process_ = -1;
};

// The sector numbers named by bad-sector memo lines: "... @:1000" names one,
// "... @:1000-1099 (100 sectors)" a run. A line naming no number or a run
// whose length does not match it, or the same sector twice, makes the result
// differ from any expected set (sector -1 is added).
std::multiset<std::int64_t> SectorsNamedInMemo(const std::string& memo);

// A loop disk with an MBR table whose partition 1 holds an ext4 file system
// with a few files of incompressible data, unmounted, so it can be imaged
// and compared as it rests.
class Ext4SourceDisk {
 public:
  static constexpr std::int64_t kFirstSector = 2048;
  static constexpr std::int64_t kPartitionSectors = 65536;  // 32 MiB
  static constexpr std::int64_t kDiskBytes = 48LL << 20;

  explicit Ext4SourceDisk(std::int64_t diskBytes = kDiskBytes);
  LoopDevice& Loop() { return *loop_; }
  std::string PartitionPath() const { return loop_->PartitionPath(1); }
  // The partition's bytes as they rest on the disk.
  std::vector<std::byte> PartitionBytes() const;

 private:
  std::unique_ptr<LoopDevice> loop_;
};

// Writes an MBR with one Linux partition into the first sector of `disk`
// content, for a device that cannot take sfdisk (which gives up on a disk
// whose sector 2048 or last sector is unreadable).
void PutOnePartitionTable(std::vector<std::byte>& disk, std::int64_t firstSector, std::int64_t sectors);

// The sfdisk script of a disk with one Linux partition.
std::string OnePartitionTable(std::int64_t firstSector, std::int64_t sectors);

}  // namespace drivecopy::test_support
