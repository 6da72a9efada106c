#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/DiskRecords.h"

namespace drivecopy::linux_backend {

// The partition table of a whole disk, as the layout request reports it:
// entries in table order, offsets and lengths in bytes (sector x 512).
// MBR: the primary entries, the extended container (PartitionNumber 0, its
// own type byte) and the logical partitions numbered 5, 6, ... as the kernel
// numbers them. GPT: the used entries numbered as the kernel does, their type
// GUIDs mapped to an MBR type byte (TypeByteForGptType).
struct PartitionTableContents {
  std::vector<PARTITION_INFORMATION> Entries;
  std::uint32_t Signature = 0;  // MBR disk signature; 0 for other tables
};

// Reads the table of the device or image at devicePath with libblkid. A disk
// without a table gives no entries; nullopt when the device cannot be read.
std::optional<PartitionTableContents> ReadPartitionTable(const std::string& devicePath);

// Name of a file system found on a device (blkid's TYPE, "ext4", "vfat")
// and its label; nullopt when the device cannot be read or holds none.
struct FileSystemProbe {
  std::string Type;
  std::string Label;
};
std::optional<FileSystemProbe> ProbeFileSystem(const std::string& devicePath);

}  // namespace drivecopy::linux_backend
