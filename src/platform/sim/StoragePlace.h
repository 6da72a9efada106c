#pragma once
#include <string>
#include <vector>

#include "platform/SectorRange.h"

namespace drivecopy::sim {

struct SimulatedMedium;

// Where some bytes of the simulated machine lie: sectors of a medium, or a
// host file. `Inside` marks a place that holds the bytes somewhere, not all
// over: the volume a file is stored on.
struct StoragePlace {
  const SimulatedMedium* Medium = nullptr;  // null for a file
  SectorRange Range;                        // sectors of the medium
  std::string HostFile;                     // the file's host path, made canonical
  bool Inside = false;
};

// Two places meet when they are the same file, or overlapping sectors of
// one medium of which at most one is only "somewhere inside".
bool PlacesMeet(const StoragePlace& a, const StoragePlace& b);
bool AnyPlacesMeet(const std::vector<StoragePlace>& a, const std::vector<StoragePlace>& b);

}  // namespace drivecopy::sim
