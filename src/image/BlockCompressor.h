#pragma once
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "image/CompressionLevel.h"
#include "platform/Failure.h"

namespace drivecopy {

// Compresses blocks of a headed image, each as one complete zlib stream
// (RFC 1950) with no state carried from one block into the next. One
// compressor is reused for all blocks a thread compresses (setting one up
// costs far more than a block); it is not to be shared between threads.
// The library behind it is chosen when the program is built (libdeflate,
// or zlib where libdeflate is missing); any zlib reader inflates the result.
class BlockCompressor {
 public:
  static Outcome<BlockCompressor> Open(CompressionLevel level);

  // Appends the zlib stream of `raw` to `out` and returns its length in bytes.
  // On failure `out` is left as it was.
  Outcome<std::size_t> AppendBlock(std::span<const std::byte> raw, std::vector<std::byte>& out);

  // "libdeflate" or "zlib": the library this build compresses with.
  static const char* LibraryName();

 private:
  struct Engine;  // defined by the library's own source file
  struct EngineRelease {
    void operator()(Engine* engine) const;
  };
  explicit BlockCompressor(std::unique_ptr<Engine, EngineRelease> engine) : engine_(std::move(engine)) {}

  std::unique_ptr<Engine, EngineRelease> engine_;
};

// One block as one zlib stream at `level`; for callers that compress once.
Outcome<std::vector<std::byte>> CompressBlock(std::span<const std::byte> raw, CompressionLevel level);

}  // namespace drivecopy
