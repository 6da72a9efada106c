#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/BlockBatch.h"
#include "image/BlockRule.h"
#include "image/ImageReader.h"
#include "image/ImageVerifier.h"
#include "image/ImageWriter.h"
#include "image/LittleEndian.h"
#include "platform/KindTags.h"
#include "support/MemoryDevice.h"
#include "support/TestImages.h"

namespace drivecopy {
namespace {

using test_support::HeaderOf;
using test_support::IndexEntries;
using test_support::MemoryDevice;
using test_support::PartitionHeader;
using test_support::PatternSectors;
using test_support::WriteHeadedImage;

// Reads every block in order and returns the sectors they hold.
std::vector<std::byte> ReadAllSectors(ImageReader& reader) {
  std::vector<std::byte> sectors;
  while (!reader.AtEnd()) {
    auto block = reader.ReadBlock();
    EXPECT_TRUE(block.ok()) << block.error().text;
    if (!block) break;
    sectors.insert(sectors.end(), block->begin(), block->end());
  }
  return sectors;
}

TEST(ImageWriterReader, HeadedImagesReadBackWithAnExactIndex) {
  struct Case {
    std::int64_t sectors;
    std::vector<std::int64_t> partitionStarts;
    CompressionLevel level;
    std::int64_t blocks;
  };
  const std::vector<Case> cases = {
      {127, {63}, CompressionLevel::Low, 127},                 // no whole block at all
      {256, {}, CompressionLevel::None, 2},                    // whole blocks only; the list is empty
      {1000, {0, 2048, 409600}, CompressionLevel::High, 111},  // 7 whole blocks, 104 single sectors
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sectors);
    const auto data = PatternSectors(c.sectors);
    const auto image = WriteHeadedImage(data, PartitionHeader(c.sectors, c.partitionStarts), c.level);

    const ImageHeader header = HeaderOf(image);
    const std::int64_t firstBlock = 65 + 8 * static_cast<std::int64_t>(c.partitionStarts.size());
    EXPECT_EQ(header.HeaderSize, 65u);
    EXPECT_EQ(header.SectorsStored, c.sectors);
    EXPECT_EQ(header.PartitionCount, static_cast<std::int32_t>(c.partitionStarts.size()));
    EXPECT_EQ(header.SourceKind, KindPartition);
    EXPECT_EQ(header.IndexSize, 8 * (c.blocks + 1));
    EXPECT_EQ(header.IndexOffset + header.IndexSize, static_cast<std::int64_t>(image.size()));

    // Entry i is where block i's length field stands; the last is the index itself.
    const auto entries = IndexEntries(image);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(c.blocks + 1));
    EXPECT_EQ(entries.front(), firstBlock);
    EXPECT_EQ(entries.back(), header.IndexOffset);
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
      const auto length = LoadLittleEndian<std::int64_t>(image.data() + entries[i]);
      EXPECT_EQ(entries[i + 1], entries[i] + 8 + length) << "block " << i;
    }

    MemoryDevice file(image);
    file.ReadPieceLimit = 1000;  // short reads must not be taken for the end
    auto reader = ImageReader::Open(file);
    ASSERT_TRUE(reader.ok()) << reader.error().text;
    EXPECT_EQ(reader->Format(), ImageFormat::Headed);
    EXPECT_EQ(reader->Header().PartitionStarts, c.partitionStarts);
    EXPECT_EQ(reader->BlockCount(), c.blocks);
    EXPECT_EQ(reader->FirstBlockOffset(), firstBlock);
    EXPECT_EQ(ReadAllSectors(*reader), data);

    MemoryDevice again(image);
    const ImageVerification verification = VerifyImage(again);
    EXPECT_TRUE(verification.Sound) << verification.Fault;
    EXPECT_EQ(verification.BlocksChecked, c.blocks);
  }
}

TEST(ImageWriterReader, VirtualHeadedImageHoldsHeaderListAndTheIndexItWouldHaveHad) {
  const auto data = PatternSectors(300);
  const ImageHeader setUp = PartitionHeader(300, {2048, 4096});
  const auto real = WriteHeadedImage(data, setUp);
  const auto image = WriteHeadedImage(data, setUp, CompressionLevel::Medium, 3, /*virtualMode=*/true);

  const std::int64_t blocks = BlockCount(300);
  const ImageHeader header = HeaderOf(image);
  EXPECT_EQ(header.IndexOffset, 65 + 8 * 2);
  EXPECT_EQ(header.IndexSize, 8 * (blocks + 1));
  EXPECT_EQ(static_cast<std::int64_t>(image.size()), 65 + 8 * 2 + 8 * (blocks + 1));
  EXPECT_EQ(header.SectorsStored, 0);  // the file holds no sector to restore
  EXPECT_EQ(IndexEntries(image), IndexEntries(real));
  EXPECT_TRUE(std::equal(image.begin() + 65, image.begin() + 81, real.begin() + 65));  // the list

  MemoryDevice file(image);
  auto reader = ImageReader::Open(file);
  ASSERT_TRUE(reader.ok()) << reader.error().text;
  EXPECT_EQ(reader->SectorCount(), 0);
  EXPECT_TRUE(reader->AtEnd());
  const ImageVerification verification = VerifyImage(file);
  EXPECT_TRUE(verification.Sound) << verification.Fault;
  EXPECT_TRUE(verification.IndexOnly);
}

TEST(ImageWriterReader, RawImagesAreTheSectorsAlone) {
  const auto data = PatternSectors(1000);
  for (const bool virtualMode : {false, true}) {
    SCOPED_TRACE(virtualMode);
    MemoryDevice file;
    auto writer = ImageWriter::Start(file, ImageFormat::Raw, ImageHeader{}, virtualMode);
    ASSERT_TRUE(writer.ok());
    BlockBatch batch = BlockBatch::ForRawImage();
    for (std::int64_t block = 0; block < BlockCount(1000); ++block) {
      const auto first = static_cast<std::size_t>(BlockFirstSector(1000, block) * 512);
      ASSERT_TRUE(batch
                      .AppendBlock(
                          std::span(data).subspan(first, static_cast<std::size_t>(BlockRawSize(1000, block))))
                      .ok());
    }
    ASSERT_TRUE(writer->WriteBatch(batch).ok());
    ASSERT_TRUE(writer->Finish().ok());
    EXPECT_EQ(writer->BlockBytesHanded(), 512000);
    EXPECT_EQ(writer->SectorsHanded(), 1000);
    EXPECT_EQ(file.Bytes, virtualMode ? std::vector<std::byte>{} : data);
  }

  // A trailing part sector is not data; a first sector without the exact
  // magic makes the whole file raw.
  auto withTail = data;
  withTail.resize(withTail.size() + 100);
  MemoryDevice file(withTail);
  auto reader = ImageReader::Open(file);
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(reader->Format(), ImageFormat::Raw);
  EXPECT_EQ(reader->SectorCount(), 1000);
  EXPECT_EQ(ReadAllSectors(*reader), data);
}

TEST(ImageWriterReader, BlocksFromAnotherCompressorAreFramedAndRead) {
  const auto data = PatternSectors(129);
  MemoryDevice file;
  auto writer = ImageWriter::Start(file, ImageFormat::Headed, PartitionHeader(129, {0}), false);
  ASSERT_TRUE(writer.ok());
  auto batch = BlockBatch::ForHeadedImage(CompressionLevel::Low);
  ASSERT_TRUE(batch.ok());
  ASSERT_TRUE(
      batch->AppendEncodedBlock(*CompressBlock(std::span(data).first(65536), CompressionLevel::High), 128)
          .ok());
  ASSERT_TRUE(batch->AppendBlock(std::span(data).subspan(65536)).ok());
  ASSERT_TRUE(writer->WriteBatch(*batch).ok());
  ASSERT_TRUE(writer->Finish().ok());
  EXPECT_EQ(writer->Header().SectorsStored, 129);

  auto reader = ImageReader::Open(file);
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(ReadAllSectors(*reader), data);
  EXPECT_FALSE(BlockBatch::ForRawImage().AppendEncodedBlock(std::span(data).first(10), 1).ok());
}

// A full disk at any step is an error that names the file operation; the
// writer then refuses to go on, and a file cut off before the end never
// claims sectors it lacks.
TEST(ImageWriterReader, WriteFailuresNameTheOperation) {
  const auto data = PatternSectors(256);
  struct Case {
    std::size_t capacity;
    const char* failingStep;
    const char* expected;
  };
  for (const Case c : {Case{40, "start", "Cannot write the image header: No space left on device"},
                       Case{70, "start", "Cannot write the partition list of the image"},
                       Case{200, "batch", "Cannot write the image file: No space left on device"},
                       Case{0, "finish", "Cannot write the block index of the image"}}) {
    SCOPED_TRACE(c.capacity);
    MemoryDevice file;
    if (c.capacity > 0) file.Capacity = c.capacity;
    auto writer = ImageWriter::Start(file, ImageFormat::Headed, PartitionHeader(256, {1}), false);
    if (std::string(c.failingStep) == "start") {
      ASSERT_FALSE(writer.ok());
      EXPECT_EQ(writer.error().systemCode, 28);
      EXPECT_NE(writer.error().text.find(c.expected), std::string::npos) << writer.error().text;
      continue;
    }
    ASSERT_TRUE(writer.ok());
    auto batch = BlockBatch::ForHeadedImage(CompressionLevel::None);
    ASSERT_TRUE(batch->AppendBlock(std::span(data).first(65536)).ok());
    auto written = writer->WriteBatch(*batch);
    Outcome<void> failure = written;
    if (written) {
      file.Capacity = file.Bytes.size() + 4;  // the blocks fit, the index does not
      failure = writer->Finish();
    }
    ASSERT_FALSE(failure.ok());
    EXPECT_EQ(failure.error().systemCode, 28);
    EXPECT_NE(failure.error().text.find(c.expected), std::string::npos) << failure.error().text;
    EXPECT_FALSE(writer->Finish().ok());
    EXPECT_EQ(HeaderOf(file.Bytes).SectorsStored, 0);
  }

  MemoryDevice unflushable;
  unflushable.FailFlush = true;
  auto writer = ImageWriter::Start(unflushable, ImageFormat::Headed, PartitionHeader(1, {}), false);
  ASSERT_TRUE(writer.ok());
  auto finished = writer->Finish();
  ASSERT_FALSE(finished.ok());
  EXPECT_NE(finished.error().text.find("Cannot bring the image file to disk"), std::string::npos);
}

TEST(ImageWriterReader, RefusesAHeaderWhoseListIsShorterThanItsCount) {
  ImageHeader header = PartitionHeader(10, {1, 2});
  header.PartitionCount = 3;
  MemoryDevice file;
  EXPECT_FALSE(ImageWriter::Start(file, ImageFormat::Headed, header, false).ok());
  EXPECT_TRUE(file.Bytes.empty());
}

}  // namespace
}  // namespace drivecopy
