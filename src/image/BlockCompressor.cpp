#include "image/BlockCompressor.h"

namespace drivecopy {

Outcome<std::vector<std::byte>> CompressBlock(std::span<const std::byte> raw, CompressionLevel level) {
  auto compressor = BlockCompressor::Open(level);
  if (!compressor) return compressor.error();
  std::vector<std::byte> out;
  auto length = compressor->AppendBlock(raw, out);
  if (!length) return length.error();
  return out;
}

}  // namespace drivecopy
