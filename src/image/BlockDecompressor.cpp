#include "image/BlockDecompressor.h"

namespace drivecopy {

Outcome<void> InflateBlock(std::span<const std::byte> stream, std::span<std::byte> destination) {
  auto decompressor = BlockDecompressor::Open();
  if (!decompressor) return decompressor.error();
  return decompressor->Inflate(stream, destination);
}

}  // namespace drivecopy
