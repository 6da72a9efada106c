#include "platform/linux/StoragePlaces.h"

#include <sys/stat.h>

#include "platform/linux/AttachedLoops.h"
#include "platform/linux/StorageTrace.h"

namespace drivecopy::linux_backend {

namespace {

bool Meet(const StoragePlace& a, const StoragePlace& b) {
  using Reach = StoragePlace::Reach;
  if (a.How == Reach::Somewhere && b.How == Reach::Somewhere) return false;  // two files in one file system
  return a.Overlaps(b);
}

}  // namespace

bool PathsShareStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                       SectorRange secondRange) {
  const auto loops = ReadAttachedLoops();
  const auto a = TraceStorage(first, firstRange, loops);
  const auto b = TraceStorage(second, secondRange, loops);
  for (const StoragePlace& left : a)
    for (const StoragePlace& right : b)
      if (Meet(left, right)) return true;
  return false;
}

bool SameFileOrDevice(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  if (S_ISBLK(a.st_mode) && S_ISBLK(b.st_mode)) return a.st_rdev == b.st_rdev;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace drivecopy::linux_backend
