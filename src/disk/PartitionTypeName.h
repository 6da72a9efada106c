#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// The file-system name shown for a partition type byte: "FAT12", "FAT16",
// "NTFS", "FAT32", "Linux Swap", "Linux", "Linux ext."; every other byte,
// the extended container 0x05 and the GPT guard 0xEE among them, gives "n/a".
// The hidden (0x1n) and 0xCn variants carry the name of their base type, and
// so does 0x0F, the LBA extended container, which reads "FAT16".
std::string PartitionTypeName(std::uint8_t type);

}  // namespace drivecopy
