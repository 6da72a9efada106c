#pragma once
#include <cstddef>
#include <span>
#include <vector>

#include "image/BlockCompressor.h"
#include "image/CompressionLevel.h"
#include "platform/Failure.h"

namespace drivecopy {

// Compresses blocks of a headed image on several threads at once. Every
// block is its own zlib stream made with the same settings, so the streams
// are byte for byte those one compressor would make, and they come back in
// the order of the blocks. With one worker (or one block) everything runs on
// the calling thread.
class ParallelBlockEncoder {
 public:
  // `workers` 0 means one per processor core.
  static Outcome<ParallelBlockEncoder> Open(CompressionLevel level, unsigned workers);

  unsigned Workers() const { return static_cast<unsigned>(compressors_.size()); }

  // Compresses blocks[i] into streams[i] (resized to blocks.size()). On
  // failure the first error, in block order, comes back and streams are
  // meaningless.
  Outcome<void> Encode(std::span<const std::span<const std::byte>> blocks,
                       std::vector<std::vector<std::byte>>& streams);

 private:
  explicit ParallelBlockEncoder(std::vector<BlockCompressor> compressors)
      : compressors_(std::move(compressors)) {}

  std::vector<BlockCompressor> compressors_;  // one per worker; each used by one thread at a time
};

}  // namespace drivecopy
