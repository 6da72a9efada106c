#include "image/ImageHeader.h"

#include <algorithm>
#include <cstring>

#include "image/LittleEndian.h"

namespace drivecopy {

std::array<std::byte, ImageHeaderSize> SerializeHeader(const ImageHeader& header) {
  std::array<std::byte, ImageHeaderSize> out{};
  std::memcpy(out.data(), header.Magic.data(), 8);
  StoreLittleEndian<std::uint32_t>(out.data() + 8, header.HeaderSize);
  StoreLittleEndian<std::int64_t>(out.data() + 12, header.SectorCount);
  StoreLittleEndian<std::int64_t>(out.data() + 20, header.LastSector);
  StoreLittleEndian<std::int64_t>(out.data() + 28, header.SectorsStored);
  StoreLittleEndian<std::int64_t>(out.data() + 36, header.FirstSector);
  StoreLittleEndian<std::int32_t>(out.data() + 44, header.PartitionCount);
  StoreLittleEndian<std::int64_t>(out.data() + 48, header.IndexOffset);
  StoreLittleEndian<std::int64_t>(out.data() + 56, header.IndexSize);
  out[64] = static_cast<std::byte>(header.SourceKind);
  return out;
}

bool HasImageMagic(std::span<const std::byte> bytes) {
  return bytes.size() >= ImageMagic.size() &&
         std::memcmp(bytes.data(), ImageMagic.data(), ImageMagic.size()) == 0;
}

std::optional<ImageHeader> ParseHeader(std::span<const std::byte> bytes) {
  if (bytes.size() < ImageHeaderSize || !HasImageMagic(bytes)) return std::nullopt;
  const std::byte* p = bytes.data();
  ImageHeader header;
  std::memcpy(header.Magic.data(), p, 8);
  header.HeaderSize = LoadLittleEndian<std::uint32_t>(p + 8);
  header.SectorCount = LoadLittleEndian<std::int64_t>(p + 12);
  header.LastSector = LoadLittleEndian<std::int64_t>(p + 20);
  header.SectorsStored = LoadLittleEndian<std::int64_t>(p + 28);
  header.FirstSector = LoadLittleEndian<std::int64_t>(p + 36);
  header.PartitionCount = LoadLittleEndian<std::int32_t>(p + 44);
  header.IndexOffset = LoadLittleEndian<std::int64_t>(p + 48);
  header.IndexSize = LoadLittleEndian<std::int64_t>(p + 56);
  header.SourceKind = static_cast<std::uint8_t>(p[64]);
  return header;
}

std::optional<ImageHeader> RecogniseImageSector(std::span<const std::byte, 512> firstSector) {
  auto header = ParseHeader(firstSector);
  if (!header) return std::nullopt;
  if (header->PartitionCount < 0 || header->PartitionCount > PartitionStartsInFirstSector) {
    return std::nullopt;
  }
  header->PartitionStarts.resize(static_cast<std::size_t>(header->PartitionCount));
  for (std::int32_t i = 0; i < header->PartitionCount; ++i) {
    header->PartitionStarts[static_cast<std::size_t>(i)] =
        LoadLittleEndian<std::int64_t>(firstSector.data() + ImageHeaderSize + 8 * i);
  }
  return header;
}

}  // namespace drivecopy
