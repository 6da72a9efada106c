#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image/BlockBatch.h"
#include "image/BlockRule.h"
#include "image/ImageWriter.h"
#include "image/LittleEndian.h"
#include "platform/KindTags.h"
#include "support/MemoryDevice.h"

namespace drivecopy::test_support {

std::vector<std::byte> PatternSectors(std::int64_t sectors, std::uint32_t seed) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(sectors * BytesPerSector));
  std::uint32_t state = seed;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 4 == 0) state = state * 1664525u + 1013904223u;
    // Half the bytes follow the position, half are noise: compressible, but not trivially.
    bytes[i] = static_cast<std::byte>(i % 2 == 0 ? (i / 512) & 0xFF : (state >> 24) & 0xFF);
  }
  return bytes;
}

ImageHeader PartitionHeader(std::int64_t sectors, std::vector<std::int64_t> partitionStarts) {
  ImageHeader header;
  header.SectorCount = sectors;
  header.FirstSector = partitionStarts.empty() ? 0 : partitionStarts.front();
  header.LastSector = header.FirstSector + sectors;
  header.PartitionCount = static_cast<std::int32_t>(partitionStarts.size());
  header.PartitionStarts = std::move(partitionStarts);
  header.SourceKind = KindPartition;
  return header;
}

std::vector<std::byte> WriteHeadedImage(std::span<const std::byte> data, const ImageHeader& header,
                                        CompressionLevel level, int blocksPerBatch, bool virtualMode) {
  MemoryDevice file;
  auto writer = ImageWriter::Start(file, ImageFormat::Headed, header, virtualMode);
  EXPECT_TRUE(writer.ok()) << writer.error().text;
  auto batch = BlockBatch::ForHeadedImage(level);
  EXPECT_TRUE(batch.ok());
  const auto sectors = static_cast<std::int64_t>(data.size()) / BytesPerSector;
  for (std::int64_t block = 0; block < BlockCount(sectors); ++block) {
    const auto first = static_cast<std::size_t>(BlockFirstSector(sectors, block) * BytesPerSector);
    const auto size = static_cast<std::size_t>(BlockRawSize(sectors, block));
    EXPECT_TRUE(batch->AppendBlock(data.subspan(first, size)).ok());
    if (static_cast<int>(batch->BlockSizes().size()) == blocksPerBatch) {
      EXPECT_TRUE(writer->WriteBatch(*batch).ok());
      batch->Clear();
    }
  }
  EXPECT_TRUE(writer->WriteBatch(*batch).ok());
  auto finished = writer->Finish();
  EXPECT_TRUE(finished.ok()) << finished.error().text;
  return file.Bytes;
}

ImageHeader HeaderOf(std::span<const std::byte> image) {
  auto header = ParseHeader(image);
  EXPECT_TRUE(header.has_value());
  return header.value_or(ImageHeader{});
}

std::vector<std::int64_t> IndexEntries(std::span<const std::byte> image) {
  const ImageHeader header = HeaderOf(image);
  std::vector<std::int64_t> entries;
  const auto end =
      std::min<std::int64_t>(header.IndexOffset + header.IndexSize, static_cast<std::int64_t>(image.size()));
  for (std::int64_t at = header.IndexOffset; at >= 0 && at + 8 <= end; at += 8) {
    entries.push_back(LoadLittleEndian<std::int64_t>(image.data() + at));
  }
  return entries;
}

}  // namespace drivecopy::test_support
