#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/DiskRecords.h"

namespace drivecopy {

inline constexpr std::array<char, 8> ImageMagic = {'V', 'R', 'Z', 'I', 'm', 'a', 'g', 'e'};
inline constexpr std::uint32_t ImageHeaderSize = 65;
// Partition starts that fit behind the header in the first 512-byte sector.
inline constexpr std::int32_t PartitionStartsInFirstSector = (512 - 65) / 8;
// The longest partition-start list a writer makes: one entry per listed
// partition of a drive's layout, which holds at most 101 entries. A longer
// list cannot describe a disk, and readers refuse it.
inline constexpr std::int32_t MaxPartitionStarts = MaxLayoutEntries;

// The 65-byte header of a headed image (all integers little-endian, no
// padding), followed in memory by its partition-start list.
struct ImageHeader {
  std::array<char, 8> Magic = ImageMagic;
  std::uint32_t HeaderSize = ImageHeaderSize;
  std::int64_t SectorCount = 0;    // sectors in the chosen range
  std::int64_t LastSector = 0;     // exclusive end sector (drive: end of its last listed partition)
  std::int64_t SectorsStored = 0;  // sectors whose blocks follow: what a reader restores
  std::int64_t FirstSector = 0;    // first sector of the range on the source
  std::int32_t PartitionCount = 0;
  std::int64_t IndexOffset = 0;
  std::int64_t IndexSize = 0;
  std::uint8_t SourceKind = 0;
  std::vector<std::int64_t> PartitionStarts;

  bool operator==(const ImageHeader&) const = default;
};

// The 65 header bytes of `header` (PartitionStarts is not part of them).
std::array<std::byte, ImageHeaderSize> SerializeHeader(const ImageHeader& header);

// Reads the 65 header bytes; PartitionStarts stays empty. nullopt when the
// bytes are fewer than 65 or do not begin with the magic.
std::optional<ImageHeader> ParseHeader(std::span<const std::byte> bytes);

// True when the bytes begin with the 8 magic characters (exact case).
bool HasImageMagic(std::span<const std::byte> bytes);

// The image test on a device's or file's first sector. nullopt when it is not
// a headed image: no magic, or a PartitionCount that is negative or larger
// than the list the sector can hold (such a header cannot have been written
// by a sound writer, and reading it would run past the sector). Otherwise the
// header with its partition starts read from offset 65 of the same sector.
std::optional<ImageHeader> RecogniseImageSector(std::span<const std::byte, 512> firstSector);

}  // namespace drivecopy
