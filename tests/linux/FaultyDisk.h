#pragma once
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "LoopDevice.h"
#include "platform/SectorRange.h"

namespace drivecopy::test_support {

// Why devices with unreadable sectors cannot be made here ("" when they can):
// on top of the loop devices they need /dev/fuse, fusermount3 and the FUSE
// fault file program.
std::string FaultyDevicesUnavailableReason();

#define SKIP_WITHOUT_FAULTY_DEVICES()                                                               \
  do {                                                                                              \
    if (auto reason = ::drivecopy::test_support::FaultyDevicesUnavailableReason(); !reason.empty()) \
      GTEST_SKIP() << reason;                                                                       \
  } while (0)

// How a FaultyDisk fails, and how it is attached.
struct DiskFaults {
  std::vector<std::int64_t> BadSectors;  // reads touching them fail with EIO
  std::int64_t GoneFrom = -1;            // from the first transfer reaching it on, all fail with ENODEV
  int ReadDelayMs = 0;                   // each read waits this long first
  int WriteDelayMs = 0;                  // each write waits this long first
  std::vector<SectorRange> BadRanges;    // reads touching these runs fail with EIO too
  int FailedReadDelayMs = 0;             // a read that fails with EIO waits this long more
  bool LogReads = false;                 // every read is noted (FaultyDisk::Reads)
  int LogicalSectorBytes = 512;          // the loop device's logical sector size (512 or 4096)
};

// One read the FUSE file served, as the device below the loop saw it.
struct DiskRead {
  std::int64_t Offset = 0;
  std::int64_t Length = 0;
  bool Failed = false;
};

// A real block device whose chosen 512-byte sectors cannot be read: a backing
// file in a private temporary directory, served through the FUSE fault file
// (which fails reads of those sectors with EIO) and attached as a loop device
// with direct I/O and 512-byte logical sectors, so that exactly those sectors
// fail, never their neighbours. Writes reach the backing file.
// The destructor detaches the loop device, unmounts the FUSE file, ends the
// helper and removes the directory.
class FaultyDisk {
 public:
  // The disk is as large as `content` (a multiple of 512 bytes). Throws when
  // the device cannot be set up.
  FaultyDisk(const std::vector<std::byte>& content, const std::vector<std::int64_t>& badSectors)
      : FaultyDisk(content, DiskFaults{badSectors}) {}
  // A disk that fails as `faults` says (see drivecopy_faulty_file).
  FaultyDisk(const std::vector<std::byte>& content, const DiskFaults& faults);
  // A disk of `bytes` zeros (a sparse backing file), for sizes a test does
  // not want to hold in memory.
  FaultyDisk(std::int64_t bytes, const DiskFaults& faults);
  ~FaultyDisk();
  FaultyDisk(const FaultyDisk&) = delete;
  FaultyDisk& operator=(const FaultyDisk&) = delete;

  const std::string& DevicePath() const { return loop_->DevicePath(); }
  // The loop device, for partition tables, file systems and the ownership check.
  LoopDevice& Loop() { return *loop_; }
  // The plain file behind the FUSE file: every sector as stored, bad ones included.
  const std::string& BackingImage() const { return backingImage_; }
  // The reads served so far, in the order they came (needs DiskFaults::LogReads).
  std::vector<DiskRead> Reads() const;

  // The FUSE program stops (SIGSTOP) until AnswerAgain, which the destructor
  // also does: reads of the disk, and every look at its file (a stat, a
  // loop device's status), wait in the kernel, where no signal to their
  // caller reaches them, as with a file system that hangs.
  void StopAnswering();
  void AnswerAgain();

 private:
  FaultyDisk(std::int64_t bytes, const std::vector<std::byte>* content, const DiskFaults& faults);
  void StartHelper(const DiskFaults& faults);
  void WaitForMount(std::int64_t bytes);
  void StopHelper();

  std::filesystem::path directory_;
  std::string backingImage_;
  std::string mountPoint_;
  std::string readLog_;
  pid_t helper_ = -1;
  std::unique_ptr<LoopDevice> loop_;
};

}  // namespace drivecopy::test_support
