#pragma once
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace drivecopy::linux_backend {

// Drive numbers of the physical drives: the N-th name of PhysicalDiskNames()
// as it was when the numbering was last renewed, so that a disk attached or
// removed while a list is filled does not shift the rows already made.
class PhysicalDriveNumbering {
 public:
  // Reads the disks anew; returns how many there are.
  int Renew();
  // The disk name ("sda") of drive N, reading the disks first when they were
  // never read; nullopt when there is no drive N.
  std::optional<std::string> DiskName(int driveNumber);

 private:
  std::mutex mutex_;
  std::optional<std::vector<std::string>> names_;
};

}  // namespace drivecopy::linux_backend
