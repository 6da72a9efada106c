#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "image/BlockDecompressor.h"
#include "platform/Failure.h"

namespace drivecopy {

// Inflates the stored streams of a headed image's blocks on several threads
// at once, only to check them: each must be one sound zlib stream of exactly
// its block's raw size (BlockDecompressor's rules). With one worker (or one
// block) everything runs on the calling thread.
class ParallelBlockChecker {
 public:
  // `workers` 0 means one per processor core.
  static Outcome<ParallelBlockChecker> Open(unsigned workers);

  struct Unsound {
    std::size_t Index;  // the first unsound stream, in the order given
    Failure Fault;      // what is wrong with it, worded as BlockDecompressor words it
  };

  // Checks that streams[i] inflates to rawSizes[i] bytes (at most 64 KiB);
  // the first stream in order that does not, or nothing when all are sound.
  std::optional<Unsound> Check(std::span<const std::vector<std::byte>> streams,
                               std::span<const std::size_t> rawSizes);

 private:
  struct Worker {
    BlockDecompressor Decompressor;
    std::vector<std::byte> Scratch;  // the inflated block, thrown away
  };
  explicit ParallelBlockChecker(std::vector<Worker> workers) : workers_(std::move(workers)) {}

  std::vector<Worker> workers_;  // each used by one thread at a time
};

}  // namespace drivecopy
