// The block compressor on libdeflate: whole-buffer compression fits the
// image's independent blocks exactly and is several times faster than zlib
// at the same level, with streams of about the same size.
#include <libdeflate.h>

#include "image/BlockCompressor.h"

namespace drivecopy {

struct BlockCompressor::Engine {
  libdeflate_compressor* compressor;
};

void BlockCompressor::EngineRelease::operator()(Engine* engine) const {
  libdeflate_free_compressor(engine->compressor);
  delete engine;
}

const char* BlockCompressor::LibraryName() { return "libdeflate"; }

Outcome<BlockCompressor> BlockCompressor::Open(CompressionLevel level) {
  // zlib's default level (-1) is level 6; libdeflate takes the number itself.
  const int zlibLevel = ZlibLevel(level);
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(zlibLevel < 0 ? 6 : zlibLevel);
  if (compressor == nullptr) return Failure::Because("Cannot set up the compressor: out of memory");
  return BlockCompressor(std::unique_ptr<Engine, EngineRelease>(new Engine{compressor}));
}

Outcome<std::size_t> BlockCompressor::AppendBlock(std::span<const std::byte> raw,
                                                  std::vector<std::byte>& out) {
  const std::size_t start = out.size();
  out.resize(start + libdeflate_zlib_compress_bound(engine_->compressor, raw.size()));
  const std::size_t produced = libdeflate_zlib_compress(engine_->compressor, raw.data(), raw.size(),
                                                        out.data() + start, out.size() - start);
  if (produced == 0) {
    // Cannot happen with the bound's room; reported rather than assumed.
    out.resize(start);
    return Failure::Because("Compressing a block failed (the compressed data did not fit its room)");
  }
  out.resize(start + produced);
  return produced;
}

}  // namespace drivecopy
