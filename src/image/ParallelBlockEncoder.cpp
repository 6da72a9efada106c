#include "image/ParallelBlockEncoder.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

#include "image/SharedWork.h"

namespace drivecopy {

Outcome<ParallelBlockEncoder> ParallelBlockEncoder::Open(CompressionLevel level, unsigned workers) {
  if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
  std::vector<BlockCompressor> compressors;
  compressors.reserve(workers);
  for (unsigned i = 0; i < workers; ++i) {
    auto compressor = BlockCompressor::Open(level);
    if (!compressor) return compressor.error();
    compressors.push_back(std::move(*compressor));
  }
  return ParallelBlockEncoder(std::move(compressors));
}

Outcome<void> ParallelBlockEncoder::Encode(std::span<const std::span<const std::byte>> blocks,
                                           std::vector<std::vector<std::byte>>& streams) {
  streams.resize(blocks.size());
  std::vector<std::optional<Failure>> errors(blocks.size());
  std::atomic<std::size_t> next{0};

  // Each worker takes the next block not yet taken until none is left; a
  // block's result lands in its own slot, so the order is the blocks' order.
  auto work = [&](BlockCompressor& compressor) {
    for (std::size_t i = next.fetch_add(1); i < blocks.size(); i = next.fetch_add(1)) {
      streams[i].clear();
      auto made = compressor.AppendBlock(blocks[i], streams[i]);
      if (!made) errors[i] = made.error();
    }
  };

  RunOnWorkers(std::span(compressors_), blocks.size(), work);

  for (auto& error : errors)
    if (error) return *error;
  return {};
}

}  // namespace drivecopy
