// The 65-byte header: parsed exactly when the bytes are long enough and begin
// with the magic, and parsing and writing it back are inverse.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "image/ImageHeader.h"

using namespace drivecopy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A heap copy of exactly the input, so that AddressSanitizer sees any read past it.
  const std::vector<std::byte> bytes(reinterpret_cast<const std::byte*>(data),
                                     reinterpret_cast<const std::byte*>(data) + size);
  const auto header = ParseHeader(bytes);
  FUZZ_CHECK(header.has_value() == (size >= ImageHeaderSize && HasImageMagic(bytes)),
             "parsed exactly for 65 bytes or more that begin with the magic");
  if (!header) return 0;

  FUZZ_CHECK(header->PartitionStarts.empty(), "the header alone carries no partition starts");
  const auto written = SerializeHeader(*header);
  FUZZ_CHECK(std::memcmp(written.data(), bytes.data(), written.size()) == 0,
             "writing gives back the same 65 bytes");
  const auto again = ParseHeader(written);
  FUZZ_CHECK(again.has_value() && *again == *header, "reading the written header gives the same fields");
  return 0;
}
