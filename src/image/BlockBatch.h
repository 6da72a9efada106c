#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/BlockCompressor.h"
#include "image/CompressionLevel.h"
#include "image/ImageFormat.h"
#include "platform/Failure.h"

namespace drivecopy {

// Stored blocks gathered in memory until they are handed to an ImageWriter
// in one write (the create job flushes about every 32 MB). For a headed
// image each block is stored as its BlockLength (signed 64-bit little-endian)
// followed by one zlib stream; for a raw image as its sector bytes.
class BlockBatch {
 public:
  static BlockBatch ForRawImage();
  static Outcome<BlockBatch> ForHeadedImage(CompressionLevel level);

  ImageFormat Format() const { return format_; }

  // Stores one block of raw sector bytes (a whole number of sectors):
  // compressed for a headed image, as is for a raw one. On failure nothing
  // is stored.
  Outcome<void> AppendBlock(std::span<const std::byte> raw);

  // Stores a block some other compressor already made (one complete zlib
  // stream standing for `sectors` sectors); refused for a raw image.
  Outcome<void> AppendEncodedBlock(std::span<const std::byte> zlibStream, std::int64_t sectors);

  // The bytes as they go into the file.
  std::span<const std::byte> Bytes() const { return bytes_; }
  std::size_t ByteSize() const { return bytes_.size(); }
  bool Empty() const { return blockSizes_.empty(); }
  // Stored size of each block in order (length field included).
  std::span<const std::int64_t> BlockSizes() const { return blockSizes_; }
  std::int64_t Sectors() const { return sectors_; }

  // Takes memory for `bytes` of output at once, so that filling the batch
  // neither moves what it holds nor touches fresh memory batch after batch.
  void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }

  // Empties the batch, keeping its memory for the next one.
  void Clear();

 private:
  BlockBatch(ImageFormat format, std::optional<BlockCompressor> compressor)
      : format_(format), compressor_(std::move(compressor)) {}

  ImageFormat format_;
  std::optional<BlockCompressor> compressor_;
  std::vector<std::byte> bytes_;
  std::vector<std::int64_t> blockSizes_;
  std::int64_t sectors_ = 0;
};

}  // namespace drivecopy
