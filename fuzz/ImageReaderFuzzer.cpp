// Reading an image as a restore does, block by block. Beyond the reader's own
// promises (checked in ReadWholeImage), the result must not depend on how the
// file's reads are split: the same image read in odd short pieces gives the
// same blocks and the same error.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "ReadOutcome.h"

using namespace drivecopy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::byte> image(reinterpret_cast<const std::byte*>(data),
                                     reinterpret_cast<const std::byte*>(data) + size);
  const auto whole = fuzz::ReadWholeImage(image, 0);
  const auto pieces = fuzz::ReadWholeImage(image, 509 + size % 1024);
  FUZZ_CHECK(whole == pieces, "short reads of the file change nothing");
  return 0;
}
