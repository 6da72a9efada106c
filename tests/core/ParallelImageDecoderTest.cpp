// The parallel decoder hands out exactly what the block-by-block reader
// yields: the same bytes for sound raw and headed images, and for a damaged
// image the same sound blocks before the fault and the same error text.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <zlib.h>

#include "image/BlockBatch.h"
#include "image/BlockCompressor.h"
#include "image/BlockRule.h"
#include "image/ImageReader.h"
#include "image/ImageWriter.h"
#include "image/LittleEndian.h"
#include "image/ParallelImageDecoder.h"
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
  auto cutAt = [](std::size_t offset) {
    return Image(GoodHeadedImage().begin(), GoodHeadedImage().begin() + static_cast<std::ptrdiff_t>(offset));
  };
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

// A sound zlib stream `padding` bytes longer than usual: empty stored
// blocks (five bytes each) between the zlib header and the compressed data.
std::vector<std::byte> PaddedStream(std::span<const std::byte> raw, std::size_t padding) {
  std::vector<std::byte> out = {std::byte{0x78}, std::byte{0x01}};
  for (std::size_t i = 0; i < padding / 5; ++i) {
    for (const int byte : {0x00, 0x00, 0x00, 0xFF, 0xFF}) out.push_back(static_cast<std::byte>(byte));
  }
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  const std::size_t at = out.size();
  out.resize(at + deflateBound(&z, static_cast<uLong>(raw.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(raw.data()));
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
  z.avail_out = static_cast<uInt>(out.size() - at);
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(at + z.total_out);
  deflateEnd(&z);
  const auto checksum = adler32(1, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size()));
  for (const int shift : {24, 16, 8, 0}) out.push_back(static_cast<std::byte>((checksum >> shift) & 0xFF));
  return out;
}

// Streams are held for the workers only up to a fixed amount per run; a
// stream too long to hold, and every stream past that amount, is inflated as
// it is read. A run that mixes both comes out whole.
TEST(ParallelImageDecoder, StreamsBeyondWhatARunHoldsAreInflatedAsTheyAreRead) {
  struct Case {
    const char* Name;
    std::int64_t Blocks;
    std::function<std::size_t(std::size_t block)> Padding;
  };
  const Case cases[] = {
      // Block 1 alone takes 300 KB, more than any one stream is held.
      {"one stream too long", 3, [](std::size_t block) { return block == 1 ? std::size_t{300'000} : 0; }},
      // Every stream some 100 KB: together over three megabytes, more than a run holds.
      {"a run of long streams", 32, [](std::size_t) { return std::size_t{100'000}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::int64_t sectors = c.Blocks * 128;
    const auto data = PatternSectors(sectors, 8);
    MemoryDevice file;
    auto writer = ImageWriter::Start(file, ImageFormat::Headed, PartitionHeader(sectors, {0}), false);
    auto batch = BlockBatch::ForHeadedImage(CompressionLevel::Medium);
    std::size_t streamBytes = 0;
    for (std::size_t block = 0; block < static_cast<std::size_t>(c.Blocks); ++block) {
      const auto raw = std::span(data).subspan(block * 65536, 65536);
      const auto stream = PaddedStream(raw, c.Padding(block));
      streamBytes += stream.size();
      ASSERT_TRUE(batch->AppendEncodedBlock(stream, 128).ok());
    }
    ASSERT_GT(streamBytes, c.Blocks == 3 ? 256u * 1024u : 3u << 20);
    ASSERT_TRUE(writer->WriteBatch(*batch).ok());
    ASSERT_TRUE(writer->Finish().ok());

    MemoryDevice image(file.Bytes);
    auto reader = ImageReader::Open(image);
    ASSERT_TRUE(reader.ok());
    ParallelImageDecoder decoder(image, *reader, 512, 2);
    const auto& run = decoder.Next();
    EXPECT_FALSE(run.Damage.has_value()) << run.Damage->text;
    EXPECT_EQ(run.Blocks, c.Blocks);
    EXPECT_TRUE(std::vector<std::byte>(run.Bytes.begin(), run.Bytes.end()) == data);
  }
}

}  // namespace
}  // namespace drivecopy
