#include "platform/linux/PhysicalDriveNumbering.h"

#include "platform/linux/SysfsBlock.h"

namespace drivecopy::linux_backend {

int PhysicalDriveNumbering::Renew() {
  std::vector<std::string> names = PhysicalDiskNames();
  const std::lock_guard lock(mutex_);
  names_ = std::move(names);
  return static_cast<int>(names_->size());
}

std::optional<std::string> PhysicalDriveNumbering::DiskName(int driveNumber) {
  const std::lock_guard lock(mutex_);
  if (!names_) names_ = PhysicalDiskNames();
  if (driveNumber < 0 || static_cast<std::size_t>(driveNumber) >= names_->size()) return std::nullopt;
  return (*names_)[static_cast<std::size_t>(driveNumber)];
}

}  // namespace drivecopy::linux_backend
