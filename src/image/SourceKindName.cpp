#include "image/SourceKindName.h"

#include "platform/KindTags.h"

namespace drivecopy {

std::string SourceKindName(std::uint8_t kind) {
  switch (kind) {
    case KindPhysicalDrive:
      return "physical drive";
    case KindPartition:
      return "partition";
    case KindFixedVolume:
      return "fixed volume";
    case KindFloppy:
      return "floppy";
    case KindRemovableVolume:
      return "removable volume";
    default:
      return "unknown";
  }
}

}  // namespace drivecopy
