// Whole streams inflated with zlib, for builds without libdeflate.
#include "image/BlockDecompressor.h"
#include "image/BlockInflater.h"

namespace drivecopy {

struct BlockDecompressor::Engine {
  BlockInflater inflater;
};

void BlockDecompressor::EngineRelease::operator()(Engine* engine) const { delete engine; }

Outcome<BlockDecompressor> BlockDecompressor::Open() {
  auto inflater = BlockInflater::Open();
  if (!inflater) return inflater.error();
  return BlockDecompressor(std::unique_ptr<Engine, EngineRelease>(new Engine{std::move(*inflater)}));
}

Outcome<void> BlockDecompressor::Inflate(std::span<const std::byte> stream,
                                         std::span<std::byte> destination) {
  return engine_->inflater.InflateWhole(stream, destination);
}

}  // namespace drivecopy
