#include "image/BlockBatch.h"

#include "image/LittleEndian.h"
#include "platform/Units.h"

namespace drivecopy {

namespace {
constexpr std::size_t LengthFieldSize = 8;
}

BlockBatch BlockBatch::ForRawImage() { return BlockBatch(ImageFormat::Raw, std::nullopt); }

Outcome<BlockBatch> BlockBatch::ForHeadedImage(CompressionLevel level) {
  auto compressor = BlockCompressor::Open(level);
  if (!compressor) return compressor.error();
  return BlockBatch(ImageFormat::Headed, std::move(*compressor));
}

Outcome<void> BlockBatch::AppendBlock(std::span<const std::byte> raw) {
  const auto sectors = static_cast<std::int64_t>(raw.size()) / BytesPerSector;
  const std::size_t start = bytes_.size();
  if (format_ == ImageFormat::Raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
  } else {
    bytes_.resize(start + LengthFieldSize);
    auto length = compressor_->AppendBlock(raw, bytes_);
    if (!length) {
      bytes_.resize(start);
      return length.error();
    }
    StoreLittleEndian<std::int64_t>(bytes_.data() + start, static_cast<std::int64_t>(*length));
  }
  blockSizes_.push_back(static_cast<std::int64_t>(bytes_.size() - start));
  sectors_ += sectors;
  return {};
}

Outcome<void> BlockBatch::AppendEncodedBlock(std::span<const std::byte> zlibStream, std::int64_t sectors) {
  if (format_ == ImageFormat::Raw) return Failure::Because("A raw image holds no compressed blocks");
  const std::size_t start = bytes_.size();
  bytes_.resize(start + LengthFieldSize);
  StoreLittleEndian<std::int64_t>(bytes_.data() + start, static_cast<std::int64_t>(zlibStream.size()));
  bytes_.insert(bytes_.end(), zlibStream.begin(), zlibStream.end());
  blockSizes_.push_back(static_cast<std::int64_t>(bytes_.size() - start));
  sectors_ += sectors;
  return {};
}

void BlockBatch::Clear() {
  bytes_.clear();
  blockSizes_.clear();
  sectors_ = 0;
}

}  // namespace drivecopy
