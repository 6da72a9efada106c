#pragma once
#include <cstddef>
#include <memory>
#include <span>

#include "platform/Failure.h"

namespace drivecopy {

// Inflates whole block streams held in memory. A stream is sound only when it
// is one zlib stream that ends properly, its Adler-32 matches, it inflates to
// exactly the destination's size and nothing follows it; any level or window
// its writer chose is accepted. A fault is described as BlockInflater
// describes it, whichever library inflates (the caller names the block).
// One decompressor serves all blocks a thread inflates; it is not to be
// shared between threads.
class BlockDecompressor {
 public:
  static Outcome<BlockDecompressor> Open();

  Outcome<void> Inflate(std::span<const std::byte> stream, std::span<std::byte> destination);

 private:
  struct Engine;  // defined by the library's own source file
  struct EngineRelease {
    void operator()(Engine* engine) const;
  };
  explicit BlockDecompressor(std::unique_ptr<Engine, EngineRelease> engine) : engine_(std::move(engine)) {}

  std::unique_ptr<Engine, EngineRelease> engine_;
};

// One stream into `destination`, by the rules above; for callers that inflate once.
Outcome<void> InflateBlock(std::span<const std::byte> stream, std::span<std::byte> destination);

}  // namespace drivecopy
