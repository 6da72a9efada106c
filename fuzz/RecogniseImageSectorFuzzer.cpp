// The drive probe's image test on a first sector: never reads past the
// sector, and says "image" exactly for the magic with a partition count of
// 0 to 55, returning the header bytes and the list as they stand.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "FuzzCheck.h"
#include "image/ImageHeader.h"
#include "image/LittleEndian.h"

using namespace drivecopy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A heap copy of exactly 512 bytes, so that AddressSanitizer sees any read past it.
  auto sector = std::make_unique<std::array<std::byte, 512>>();
  std::memcpy(sector->data(), data, std::min<std::size_t>(size, 512));
  const std::span<const std::byte, 512> view(*sector);

  const auto header = RecogniseImageSector(view);
  const bool magic = HasImageMagic(view);
  const auto count = LoadLittleEndian<std::int32_t>(sector->data() + 44);
  const bool countFits = count >= 0 && count <= PartitionStartsInFirstSector;
  FUZZ_CHECK(header.has_value() == (magic && countFits),
             "recognised exactly for the magic and a list that fits");
  if (!header) return 0;

  const auto bytes = SerializeHeader(*header);
  FUZZ_CHECK(std::memcmp(bytes.data(), sector->data(), bytes.size()) == 0,
             "header fields are the sector's bytes");
  FUZZ_CHECK(header->PartitionStarts.size() == static_cast<std::size_t>(header->PartitionCount),
             "the list has PartitionCount entries");
  for (std::size_t i = 0; i < header->PartitionStarts.size(); ++i) {
    FUZZ_CHECK(header->PartitionStarts[i] == LoadLittleEndian<std::int64_t>(sector->data() + 65 + 8 * i),
               "each partition start is read from its place behind the header");
  }
  return 0;
}
