// The parallel decoder hands out exactly what the block-by-block reader
// yields: the same bytes for sound raw and headed images, and for a damaged
// image the same sound blocks before the fault and the same error text.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <zlib.h>

#include "imaging/BlockBatch.h"
#include "imaging/BlockCompressor.h"
#include "imaging/BlockRule.h"
#include "imaging/ImageWriter.h"
#include "imaging/ImageReader.h"
#include "imaging/LittleEndian.h"
#include "imaging/ParallelImageDecoder.h"
#include "support/MemoryDevice.h"
#include "support/TestImages.h"

namespace drivecopy {
namespace {

using test_support::IndexEntries;
using test_support::MemoryDevice;
using test_support::PartitionHeader;
using test_support::PatternSectors;
using test_support::WriteHeadedImage;

using Image = std::vector<std::byte>;

// 70 whole blocks and 5 single sectors: runs of 32, 32 and 6 + 5 blocks.
constexpr std::int64_t Sectors = 70 * 128 + 5;
constexpr std::int64_t Blocks = 75;

const Image& Data() {
  static const Image data = PatternSectors(Sectors, 11);
  return data;
}

const Image& GoodHeadedImage() {
  static const Image image = WriteHeadedImage(Data(), PartitionHeader(Sectors, {2048}));
  return image;
}

struct Decoded {
  Image Bytes;
  std::int64_t Blocks = 0;
  std::string Damage;
};

// What the block-by-block reader makes of the image.
Decoded ReadOneByOne(const Image& image) {
  MemoryDevice file(image);
  auto reader = ImageReader::Open(file);
  EXPECT_TRUE(reader.ok());
  Decoded result;
  while (!reader->AtEnd()) {
    auto block = reader->ReadBlock();
    if (!block) {
      result.Damage = block.error().text;
      break;
    }
    result.Bytes.insert(result.Bytes.end(), block->begin(), block->end());
    ++result.Blocks;
  }
  return result;
}

Decoded ReadInParallel(const Image& image, unsigned workers, std::optional<std::size_t> readPieceLimit = {}) {
  MemoryDevice file(image);
  file.ReadPieceLimit = readPieceLimit;
  auto reader = ImageReader::Open(file);
  EXPECT_TRUE(reader.ok());
  Decoded result;
  ParallelImageDecoder decoder(file, *reader, 512, workers);
  while (result.Blocks < reader->BlockCount()) {
    const auto& run = decoder.Next();
    EXPECT_EQ(run.FirstBlock, result.Blocks);
    EXPECT_EQ(run.FirstSector, BlockFirstSector(Sectors, result.Blocks));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(run.Bytes.data()) % 512, 0u);
    result.Bytes.insert(result.Bytes.end(), run.Bytes.begin(), run.Bytes.end());
    result.Blocks += run.Blocks;
    if (run.Damage) {
      result.Damage = run.Damage->text;
      break;
    }
  }
  return result;
}

TEST(ParallelImageDecoder, SoundImagesComeOutWhole) {
  struct Case {
    const char* name;
    Image image;
    unsigned workers;
    std::optional<std::size_t> readPieceLimit;
  };
  Image rawWithPartSector = Data();
  rawWithPartSector.resize(rawWithPartSector.size() + 300, std::byte{0x77});
  const std::vector<Case> cases = {
      {"raw", Data(), 0, {}},
      {"raw with a trailing part sector, short reads", rawWithPartSector, 0, 100000},
      {"headed, one worker", GoodHeadedImage(), 1, {}},
      {"headed, three workers, short reads", GoodHeadedImage(), 3, 7000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded decoded = ReadInParallel(c.image, c.workers, c.readPieceLimit);
    EXPECT_EQ(decoded.Damage, "");
    EXPECT_EQ(decoded.Blocks, Blocks);
    EXPECT_TRUE(decoded.Bytes == Data());
  }
}

std::size_t BlockOffset(std::size_t block) {
  return static_cast<std::size_t>(IndexEntries(GoodHeadedImage())[block]);
}

TEST(ParallelImageDecoder, DamagedBlockEndsTheImageAsTheBlockReaderReportsIt) {
  struct Case {
    const char* name;
    std::function<Image()> damaged;
  };
  auto withLength = [](std::size_t block, std::int64_t length) {
    Image image = GoodHeadedImage();
    StoreLittleEndian(image.data() + BlockOffset(block), length);
    return image;
  };
  auto cutAt = [](std::size_t offset) { return Image(GoodHeadedImage().begin(), GoodHeadedImage().begin() + static_cast<std::ptrdiff_t>(offset)); };
  const std::vector<Case> cases = {
      {"bad stream in the middle of the second run",
       [] {
         Image image = GoodHeadedImage();
         image[BlockOffset(40) + 8] = std::byte{0x1F};
         return image;
       }},
      {"checksum of the first block of a run",
       [] {
         Image image = GoodHeadedImage();
         image[BlockOffset(33) - 1] ^= std::byte{0x40};
         return image;
       }},
      {"length not positive in a single-sector block", [&] { return withLength(72, 0); }},
      {"length past the end", [&] { return withLength(50, std::int64_t{1} << 40); }},
      {"file ends inside a length field", [&] { return cutAt(BlockOffset(64) + 3); }},
      {"file ends before a block", [&] { return cutAt(BlockOffset(71)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Image image = c.damaged();
    const Decoded expected = ReadOneByOne(image);
    ASSERT_NE(expected.Damage, "");
    for (unsigned workers : {1u, 2u}) {
      const Decoded decoded = ReadInParallel(image, workers);
      EXPECT_EQ(decoded.Damage, expected.Damage);
      EXPECT_EQ(decoded.Blocks, expected.Blocks);
      EXPECT_TRUE(decoded.Bytes == expected.Bytes);
    }
  }
}

TEST(ParallelImageDecoder, LettingGoEarlyJoinsItsThreads) {
  MemoryDevice file(GoodHeadedImage());
  auto reader = ImageReader::Open(file);
  ASSERT_TRUE(reader.ok());
  ParallelImageDecoder decoder(file, *reader, 512, 2);
  EXPECT_EQ(decoder.Next().Blocks, 32);
  // The destructor stops the reading thread and the workers with runs still
  // being read and inflated; the test ends only if they are joined.
}

// A sound zlib stream far longer than its block: each input byte flushed on
// its own, so the stream holds about seven bytes per raw byte.
std::vector<std::byte> BloatedStream(std::span<const std::byte> raw) {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 6), Z_OK);
  std::vector<std::byte> out(raw.size() * 16 + 1024);
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(raw.data() + i));
    z.avail_in = 1;
    EXPECT_EQ(deflate(&z, Z_SYNC_FLUSH), Z_OK);
  }
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(ParallelImageDecoder, StreamTooLongToHoldIsInflatedAsItIsRead) {
  constexpr std::int64_t sectors = 3 * 128;
  const auto data = PatternSectors(sectors, 8);
  MemoryDevice file;
  auto writer = ImageWriter::Start(file, ImageFormat::Headed, PartitionHeader(sectors, {0}), false);
  auto batch = BlockBatch::ForHeadedImage(CompressionLevel::Medium);
  for (std::size_t block = 0; block < 3; ++block) {
    const auto raw = std::span(data).subspan(block * 65536, 65536);
    const auto stream = block == 1 ? BloatedStream(raw) : *CompressBlock(raw, CompressionLevel::Medium);
    if (block == 1) ASSERT_GT(stream.size(), 256u * 1024u);
    ASSERT_TRUE(batch->AppendEncodedBlock(stream, 128).ok());
  }
  ASSERT_TRUE(writer->WriteBatch(*batch).ok());
  ASSERT_TRUE(writer->Finish().ok());

  MemoryDevice image(file.Bytes);
  auto reader = ImageReader::Open(image);
  ASSERT_TRUE(reader.ok());
  ParallelImageDecoder decoder(image, *reader, 512, 2);
  const auto& run = decoder.Next();
  EXPECT_FALSE(run.Damage.has_value()) << run.Damage->text;
  EXPECT_EQ(run.Blocks, 3);
  EXPECT_TRUE(std::vector<std::byte>(run.Bytes.begin(), run.Bytes.end()) == data);
}

}  // namespace
}  // namespace drivecopy
