#include "platform/sim/StoragePlace.h"

namespace drivecopy::sim {

bool PlacesMeet(const StoragePlace& a, const StoragePlace& b) {
  if (a.Inside && b.Inside) return false;  // two files on one volume
  if ((a.Medium == nullptr) != (b.Medium == nullptr)) return false;
  if (a.Medium == nullptr) return a.HostFile == b.HostFile;
  return a.Medium == b.Medium && a.Range.Overlaps(b.Range);
}

bool AnyPlacesMeet(const std::vector<StoragePlace>& a, const std::vector<StoragePlace>& b) {
  for (const StoragePlace& left : a)
    for (const StoragePlace& right : b)
      if (PlacesMeet(left, right)) return true;
  return false;
}

}  // namespace drivecopy::sim
