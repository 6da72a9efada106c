#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "image/BlockCompressor.h"
#include "image/BlockDecompressor.h"
#include "image/BlockInflater.h"
#include "image/BlockRule.h"
#include "support/TestImages.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;

TEST(ImageBlockRule, CutsWholeBlocksFirstThenSingleSectors) {
  struct Case {
    std::int64_t sectors, blocks, lastBlockRawSize, firstSectorOfLastBlock;
  };
  for (const Case c : {Case{1, 1, 512, 0}, Case{127, 127, 512, 126}, Case{128, 1, 65536, 0},
                       Case{256, 2, 65536, 128}, Case{1000, 111, 512, 999}}) {
    SCOPED_TRACE(c.sectors);
    EXPECT_EQ(BlockCount(c.sectors), c.blocks);
    EXPECT_EQ(BlockRawSize(c.sectors, c.blocks - 1), c.lastBlockRawSize);
    EXPECT_EQ(BlockFirstSector(c.sectors, c.blocks - 1), c.firstSectorOfLastBlock);
    EXPECT_EQ(BlockFirstSector(c.sectors, c.blocks), c.sectors);
  }
  EXPECT_EQ(BlockCount(0), 0);
  // 1,000 sectors: seven 65,536-byte blocks, then 104 of 512 bytes.
  EXPECT_EQ(BlockRawSize(1000, 6), 65536);
  EXPECT_EQ(BlockRawSize(1000, 7), 512);
  EXPECT_EQ(BlockFirstSector(1000, 8), 897);
}

// Byte 2 of a zlib stream (FLG) carries the level class the writer used.
TEST(ImageBlockCodec, EachLevelMakesOneZlibStreamThatInflatesBack) {
  struct Case {
    CompressionLevel level;
    int zlibLevel;
    int levelClass;  // FLEVEL: 0 fastest, 1 fast, 2 default, 3 maximum
  };
  const auto raw = PatternSectors(128);
  for (const Case c : {Case{CompressionLevel::None, 0, 0}, Case{CompressionLevel::Low, 1, 0},
                       Case{CompressionLevel::Medium, -1, 2}, Case{CompressionLevel::High, 9, 3}}) {
    SCOPED_TRACE(c.zlibLevel);
    EXPECT_EQ(ZlibLevel(c.level), c.zlibLevel);
    auto stream = CompressBlock(raw, c.level);
    ASSERT_TRUE(stream.ok());
    ASSERT_GE(stream->size(), 6u);
    EXPECT_EQ(std::to_integer<int>((*stream)[0]), 0x78);  // deflate, 32 KiB window
    EXPECT_EQ(std::to_integer<int>((*stream)[1]) >> 6, c.levelClass);
    if (c.level == CompressionLevel::None) EXPECT_GT(stream->size(), raw.size());
    if (c.level == CompressionLevel::High) EXPECT_LT(stream->size(), raw.size());

    std::vector<std::byte> back(raw.size());
    auto inflated = InflateBlock(*stream, back);
    ASSERT_TRUE(inflated.ok()) << inflated.error().text;
    EXPECT_EQ(back, raw);

    // Any zlib reader takes the stream, whichever library made it.
    std::vector<std::byte> byZlib(raw.size());
    uLongf zlibSize = static_cast<uLongf>(byZlib.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(byZlib.data()), &zlibSize,
                         reinterpret_cast<const Bytef*>(stream->data()), static_cast<uLong>(stream->size())),
              Z_OK)
        << BlockCompressor::LibraryName();
    EXPECT_EQ(byZlib, raw);
  }
}

TEST(ImageBlockCodec, OneCompressorServesManyBlocksIndependently) {
  auto compressor = BlockCompressor::Open(CompressionLevel::High);
  ASSERT_TRUE(compressor.ok());
  const auto first = PatternSectors(1, 7);
  const auto second = PatternSectors(1, 7);  // the same bytes: no state may carry over
  std::vector<std::byte> out;
  auto firstLength = compressor->AppendBlock(first, out);
  auto secondLength = compressor->AppendBlock(second, out);
  ASSERT_TRUE(firstLength.ok() && secondLength.ok());
  ASSERT_EQ(*firstLength + *secondLength, out.size());
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(*firstLength),
                         out.begin() + static_cast<std::ptrdiff_t>(*firstLength)));
}

std::vector<std::byte> Deflate(std::span<const std::byte> raw, int level, int windowBits, int memLevel,
                               int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, windowBits, memLevel, strategy), Z_OK);
  std::vector<std::byte> out(deflateBound(&z, static_cast<uLong>(raw.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(raw.data()));
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(ImageBlockCodec, AcceptsZlibStreamsOfOtherWriters) {
  const auto raw = PatternSectors(128, 3);
  std::vector<std::vector<std::byte>> streams;
  std::vector<std::byte> simple(compressBound(static_cast<uLong>(raw.size())));
  uLongf simpleSize = static_cast<uLongf>(simple.size());
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(simple.data()), &simpleSize,
                      reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9),
            Z_OK);
  simple.resize(simpleSize);
  streams.push_back(simple);
  streams.push_back(Deflate(raw, 2, 9, 1, Z_DEFAULT_STRATEGY));  // small window, little memory
  streams.push_back(Deflate(raw, 6, 15, 9, Z_HUFFMAN_ONLY));
  streams.push_back(Deflate(raw, 4, 12, 8, Z_FIXED));
  for (std::size_t i = 0; i < streams.size(); ++i) {
    SCOPED_TRACE(i);
    std::vector<std::byte> back(raw.size());
    auto inflated = InflateBlock(streams[i], back);
    ASSERT_TRUE(inflated.ok()) << inflated.error().text;
    EXPECT_EQ(back, raw);
  }
}

// The reader feeds a block's stream in pieces straight from the file; the
// smallest pieces make inflate hold output back between calls.
TEST(ImageBlockCodec, InflatesAStreamFedOneByteAtATime) {
  const auto raw = PatternSectors(128, 5);
  auto stream = CompressBlock(raw, CompressionLevel::Low);
  ASSERT_TRUE(stream.ok());
  auto inflater = BlockInflater::Open();
  ASSERT_TRUE(inflater.ok());
  std::vector<std::byte> back(raw.size());
  ASSERT_TRUE(inflater->Begin(back).ok());
  for (const std::byte b : *stream) ASSERT_TRUE(inflater->Feed(std::span(&b, 1)).ok());
  auto finished = inflater->Finish();
  ASSERT_TRUE(finished.ok()) << finished.error().text;
  EXPECT_EQ(back, raw);
}

TEST(ImageBlockCodec, RefusesEveryStreamThatIsNotExactlyTheBlock) {
  const auto raw = PatternSectors(1, 9);
  const auto good = *CompressBlock(raw, CompressionLevel::Medium);
  const auto shorter = *CompressBlock(std::span(raw).first(511), CompressionLevel::Medium);
  const auto longer = *CompressBlock(PatternSectors(2, 9), CompressionLevel::Medium);
  auto cut = good;
  cut.resize(cut.size() - 3);
  auto badChecksum = good;
  badChecksum.back() ^= std::byte{1};
  auto badHeader = good;
  badHeader[0] = std::byte{0x1F};  // gzip's first byte
  auto trailing = good;
  trailing.push_back(std::byte{0});
  // A zlib header with the preset-dictionary flag (FDICT) and its dictionary id.
  const std::vector<std::byte> needsDictionary = {std::byte{0x78}, std::byte{0xBB}, std::byte{0},
                                                  std::byte{0},    std::byte{0},    std::byte{1},
                                                  std::byte{0x03}, std::byte{0}};
  struct Case {
    const char* name;
    std::vector<std::byte> stream;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"stream cut short", cut, "truncated: its zlib stream ends early"},
      {"checksum", badChecksum, "bad zlib data (incorrect data check)"},
      {"not zlib", badHeader, "bad zlib data (incorrect header check)"},
      {"inflates short", shorter, "inflates to 511 bytes instead of 512"},
      {"inflates long", longer, "inflates to 1024 bytes instead of 512"},
      {"trailing bytes", trailing, "1 bytes of stray data follow the end of its zlib stream"},
      {"preset dictionary", needsDictionary, "preset dictionary"},
      {"empty", {}, "truncated"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::byte> back(512);
    auto inflated = InflateBlock(c.stream, back);
    ASSERT_FALSE(inflated.ok());
    EXPECT_NE(inflated.error().text.find(c.expected), std::string::npos) << inflated.error().text;
  }
}

}  // namespace
}  // namespace drivecopy
