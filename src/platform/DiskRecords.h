#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace drivecopy {

// The disk records the platform answers with, laid out exactly like the
// published Windows records (little-endian, natural alignment), so that a
// record can be compared or copied byte for byte whatever backend filled it.

struct PARTITION_INFORMATION {
  std::int64_t StartingOffset = 0;   // bytes
  std::int64_t PartitionLength = 0;  // bytes
  std::uint32_t HiddenSectors = 0;
  std::uint32_t PartitionNumber = 0;  // 0 for an extended container or an unused entry
  std::uint8_t PartitionType = 0;     // MBR type byte; 0 for an unused entry
  std::uint8_t BootIndicator = 0;
  std::uint8_t RecognizedPartition = 0;
  std::uint8_t RewritePartition = 0;
  bool operator==(const PARTITION_INFORMATION&) const = default;
};
static_assert(sizeof(PARTITION_INFORMATION) == 32);

struct DISK_GEOMETRY {
  std::int64_t Cylinders = 0;
  std::uint32_t MediaType = 0;
  std::uint32_t TracksPerCylinder = 0;
  std::uint32_t SectorsPerTrack = 0;
  std::uint32_t BytesPerSector = 0;  // the device's own sector size
  bool operator==(const DISK_GEOMETRY&) const = default;
};
static_assert(sizeof(DISK_GEOMETRY) == 24);

// Room for exactly this many layout entries; a disk with more makes the
// layout request fail, as a too-small buffer does on the platform.
inline constexpr int MaxLayoutEntries = 101;

struct DRIVE_LAYOUT_INFORMATION {
  std::uint32_t PartitionCount = 0;
  std::uint32_t Signature = 0;
  std::array<PARTITION_INFORMATION, MaxLayoutEntries> PartitionEntry{};
  bool operator==(const DRIVE_LAYOUT_INFORMATION&) const = default;
};
static_assert(sizeof(DRIVE_LAYOUT_INFORMATION) == 3240);

// Builds the fixed 101-entry record from a backend's entry list, in order;
// nullopt when the list does not fit (more than 101 entries).
inline std::optional<DRIVE_LAYOUT_INFORMATION> MakeDriveLayout(
    const std::vector<PARTITION_INFORMATION>& entries, std::uint32_t signature) {
  if (entries.size() > static_cast<std::size_t>(MaxLayoutEntries)) return std::nullopt;
  DRIVE_LAYOUT_INFORMATION layout;
  layout.PartitionCount = static_cast<std::uint32_t>(entries.size());
  layout.Signature = signature;
  for (std::size_t i = 0; i < entries.size(); ++i) layout.PartitionEntry[i] = entries[i];
  return layout;
}

// Kept by the platform's geometry answer for a fixed hard disk.
inline constexpr std::uint32_t FixedMedia = 12;
// 3.5-inch 1.44 MB floppy medium.
inline constexpr std::uint32_t F3_1Pt44_512 = 2;
// Removable media other than floppy.
inline constexpr std::uint32_t RemovableMedia = 11;

}  // namespace drivecopy
