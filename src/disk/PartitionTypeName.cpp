#include "disk/PartitionTypeName.h"

namespace drivecopy {

std::string PartitionTypeName(std::uint8_t type) {
  switch (type) {
    case 0x01:
    case 0x11:
    case 0xC1:
      return "FAT12";
    case 0x04:
    case 0x06:
    case 0x0E:
    case 0x0F:
    case 0x14:
    case 0x16:
    case 0x1E:
    case 0xC4:
    case 0xC6:
    case 0xCE:
      return "FAT16";
    case 0x07:
      return "NTFS";
    case 0x0B:
    case 0x0C:
    case 0x1B:
    case 0x1C:
    case 0xCB:
    case 0xCC:
      return "FAT32";
    case 0x82:
      return "Linux Swap";
    case 0x83:
      return "Linux";
    case 0x85:
      return "Linux ext.";
    default:
      return "n/a";
  }
}

}  // namespace drivecopy
