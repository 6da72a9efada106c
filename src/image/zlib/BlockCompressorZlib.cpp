// The block compressor on zlib, for builds without libdeflate.
#include <algorithm>
#include <climits>
#include <string>

#include "image/BlockCompressor.h"
#include "image/ZlibStream.h"

namespace drivecopy {

struct BlockCompressor::Engine {
  DeflateStream stream;
};

void BlockCompressor::EngineRelease::operator()(Engine* engine) const { delete engine; }

const char* BlockCompressor::LibraryName() { return "zlib"; }

Outcome<BlockCompressor> BlockCompressor::Open(CompressionLevel level) {
  auto stream = OpenDeflateStream(ZlibLevel(level));
  if (!stream) return stream.error();
  return BlockCompressor(std::unique_ptr<Engine, EngineRelease>(new Engine{std::move(*stream)}));
}

Outcome<std::size_t> BlockCompressor::AppendBlock(std::span<const std::byte> raw,
                                                  std::vector<std::byte>& out) {
  z_stream& z = *engine_->stream;
  if (deflateReset(&z) != Z_OK) return Failure::Because("Cannot reset the compressor");

  const std::size_t start = out.size();
  // deflateBound is sized for one Z_FINISH call; blocks are at most 64 KiB,
  // and the loop below still copes should a larger input ever come.
  out.resize(start + deflateBound(&z, static_cast<uLong>(std::min<std::size_t>(raw.size(), ULONG_MAX))));
  std::size_t consumed = 0;
  std::size_t produced = 0;
  for (;;) {
    if (produced == out.size() - start) out.resize(out.size() + 65536);
    const std::size_t inputChunk = std::min<std::size_t>(raw.size() - consumed, UINT_MAX);
    const std::size_t outputChunk = std::min<std::size_t>(out.size() - start - produced, UINT_MAX);
    // zlib's input pointer is not const-qualified; it never writes through it.
    z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(raw.data() + consumed));
    z.avail_in = static_cast<uInt>(inputChunk);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + start + produced);
    z.avail_out = static_cast<uInt>(outputChunk);
    const bool lastInput = consumed + inputChunk == raw.size();
    const int result = deflate(&z, lastInput ? Z_FINISH : Z_NO_FLUSH);
    consumed += inputChunk - z.avail_in;
    produced += outputChunk - z.avail_out;
    if (result == Z_STREAM_END) break;
    if (result != Z_OK && result != Z_BUF_ERROR) {
      out.resize(start);
      return Failure::Because("Compressing a block failed (zlib error " + std::to_string(result) + ")");
    }
  }
  out.resize(start + produced);
  return produced;
}

}  // namespace drivecopy
