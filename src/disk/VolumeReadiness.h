#pragma once
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// The volume-ready test every list applies before it probes a volume: a
// volume that cannot report its volume information (no medium, no recognised
// file system) is never listed and never matched to a partition.
class VolumeReadiness {
 public:
  explicit VolumeReadiness(Platform& platform) : platform_(platform) {}

  bool IsVolumeReady(const std::string& rootPath) const {
    return platform_.QueryVolumeInformation(rootPath).has_value();
  }

 private:
  Platform& platform_;
};

}  // namespace drivecopy
