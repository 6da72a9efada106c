#pragma once
#include <cstddef>
#include <span>
#include <vector>

#include "image/CompressionLevel.h"
#include "image/ZlibStream.h"
#include "platform/Failure.h"

namespace drivecopy {

// Compresses blocks of a headed image, each as one complete zlib stream with
// no state carried from one block into the next. One compressor is reused
// for all blocks of a job (resetting is far cheaper than setting up).
class BlockCompressor {
 public:
  static Outcome<BlockCompressor> Open(CompressionLevel level);

  // Appends the zlib stream of `raw` to `out` and returns its length in bytes.
  // On failure `out` is left as it was.
  Outcome<std::size_t> AppendBlock(std::span<const std::byte> raw, std::vector<std::byte>& out);

 private:
  explicit BlockCompressor(DeflateStream stream) : stream_(std::move(stream)) {}
  DeflateStream stream_;
};

// One block as one zlib stream at `level`; for callers that compress once.
Outcome<std::vector<std::byte>> CompressBlock(std::span<const std::byte> raw, CompressionLevel level);

}  // namespace drivecopy
