#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/BlockBatch.h"
#include "image/BlockRule.h"
#include "image/ImageReader.h"
#include "image/ImageVerifier.h"
#include "image/ImageWriter.h"
#include "image/LittleEndian.h"
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

// 300 sectors: two 65,536-byte blocks, then 44 single sectors; block 17 is one of those.
constexpr std::int64_t Sectors = 300;
constexpr std::int64_t Blocks = 46;

const Image& GoodImage() {
  static const Image image = WriteHeadedImage(PatternSectors(Sectors), PartitionHeader(Sectors, {2048}));
  return image;
}

std::size_t BlockOffset(std::size_t block) {
  return static_cast<std::size_t>(IndexEntries(GoodImage())[block]);
}

void PutInt64(Image& image, std::size_t at, std::int64_t value) {
  StoreLittleEndian(image.data() + at, value);
}

// The good image with block 17 made by a writer that stored 1,024 bytes for it.
Image ImageWithOversizedBlock17() {
  const auto data = PatternSectors(Sectors);
  MemoryDevice file;
  auto writer = ImageWriter::Start(file, ImageFormat::Headed, PartitionHeader(Sectors, {2048}), false);
  auto batch = BlockBatch::ForHeadedImage(CompressionLevel::Medium);
  for (std::int64_t block = 0; block < Blocks; ++block) {
    const auto first = static_cast<std::size_t>(BlockFirstSector(Sectors, block) * 512);
    const auto size = static_cast<std::size_t>(block == 17 ? 1024 : BlockRawSize(Sectors, block));
    auto stream = CompressBlock(std::span(data).subspan(first, size), CompressionLevel::Medium);
    EXPECT_TRUE(batch->AppendEncodedBlock(*stream, BlockSectorCount(Sectors, block)).ok());
  }
  EXPECT_TRUE(writer->WriteBatch(*batch).ok());
  EXPECT_TRUE(writer->Finish().ok());
  return file.Bytes;
}

TEST(ImageDamage, EveryBlockFaultNamesTheBlockAndWhatIsWrong) {
  struct Case {
    const char* name;
    std::function<Image()> damaged;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"file ends before the block",
       [] { return Image(GoodImage().begin(), GoodImage().begin() + BlockOffset(17)); },
       "truncated: the file ends before this block"},
      {"file ends in the length field",
       [] { return Image(GoodImage().begin(), GoodImage().begin() + BlockOffset(17) + 3); },
       "truncated: the file ends inside its 8-byte length field"},
      {"file ends in the data",
       [] { return Image(GoodImage().begin(), GoodImage().begin() + BlockOffset(17) + 20); },
       "points past the end of the file (only 12 bytes follow)"},
      {"length past the end",
       [] {
         Image image = GoodImage();
         PutInt64(image, BlockOffset(17), std::int64_t{1} << 40);
         return image;
       },
       "its length 1099511627776 points past the end of the file"},
      {"length zero",
       [] {
         Image image = GoodImage();
         PutInt64(image, BlockOffset(17), 0);
         return image;
       },
       "its length 0 is not positive"},
      {"length negative",
       [] {
         Image image = GoodImage();
         PutInt64(image, BlockOffset(17), -8);
         return image;
       },
       "its length -8 is not positive"},
      {"not zlib",
       [] {
         Image image = GoodImage();
         image[BlockOffset(17) + 8] = std::byte{0x1F};
         return image;
       },
       "bad zlib data (incorrect header check)"},
      {"checksum",
       [] {
         Image image = GoodImage();
         image[BlockOffset(18) - 1] ^= std::byte{0x40};
         return image;
       },
       "bad zlib data (incorrect data check)"},
      {"wrong raw size", ImageWithOversizedBlock17, "inflates to 1024 bytes instead of 512"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Image image = c.damaged();
    MemoryDevice file(image);
    auto reader = ImageReader::Open(file);
    ASSERT_TRUE(reader.ok()) << reader.error().text;
    for (int block = 0; block < 17; ++block) ASSERT_TRUE(reader->ReadBlock().ok()) << block;
    auto failed = reader->ReadBlock();
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().text.rfind("block 17 (at byte " + std::to_string(BlockOffset(17)) + "): ", 0),
              0u)
        << failed.error().text;
    EXPECT_NE(failed.error().text.find(c.expected), std::string::npos) << failed.error().text;

    MemoryDevice again(image);
    const ImageVerification verification = VerifyImage(again);
    EXPECT_FALSE(verification.Sound);
    EXPECT_EQ(verification.BlocksChecked, 17);
    EXPECT_NE(verification.Fault.find("block 17"), std::string::npos) << verification.Fault;
  }
}

// Counts in the header are checked before anything is allocated for them: a
// list longer than a drive's layout, or one or a SectorsStored the file
// cannot hold, is refused at once.
TEST(ImageDamage, HeadersTheFileCannotHoldAreNotImages) {
  struct Case {
    const char* name;
    std::size_t at;
    std::int64_t value;
    int width;
    std::string expected;
  };
  for (const Case c :
       {Case{"negative list", 44, -1, 4, "partition count is negative (-1)"},
        Case{"huge list", 44, 0x7FFFFFFF, 4,
             "list of 2147483647 partition starts is longer than the 101 a drive's partition layout"},
        Case{"one more than a layout holds", 44, 102, 4,
             "list of 102 partition starts is longer than the 101"},
        Case{"negative SectorsStored", 28, -1, 8, "count of stored sectors is negative (-1)"},
        Case{"absurd SectorsStored", 28, std::int64_t{1} << 50, 8,
             "claims 1125899906842624 stored sectors"}}) {
    SCOPED_TRACE(c.name);
    Image image = GoodImage();
    if (c.width == 4) {
      StoreLittleEndian(image.data() + c.at, static_cast<std::int32_t>(c.value));
    } else {
      PutInt64(image, c.at, c.value);
    }
    MemoryDevice file(image);
    auto reader = ImageReader::Open(file);
    ASSERT_FALSE(reader.ok());
    EXPECT_EQ(reader.error().text.rfind("Not a valid image: ", 0), 0u) << reader.error().text;
    EXPECT_NE(reader.error().text.find(c.expected), std::string::npos) << reader.error().text;
  }
  MemoryDevice stub(Image(GoodImage().begin(), GoodImage().begin() + 30));
  auto reader = ImageReader::Open(stub);
  ASSERT_FALSE(reader.ok());
  EXPECT_NE(reader.error().text.find("only 30 bytes long"), std::string::npos);

  Image shortList(GoodImage().begin(), GoodImage().begin() + 500);
  StoreLittleEndian(shortList.data() + 44, std::int32_t{101});
  MemoryDevice cut(shortList);
  auto cutReader = ImageReader::Open(cut);
  ASSERT_FALSE(cutReader.ok());
  EXPECT_NE(cutReader.error().text.find("list of 101 partition starts would reach past the end of the file"),
            std::string::npos)
      << cutReader.error().text;
}

TEST(ImageDamage, VerifierChecksTheIndexAgainstTheBlocks) {
  const std::size_t indexOffset = BlockOffset(Blocks);
  struct Case {
    const char* name;
    std::function<void(Image&)> damage;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"entry off", [&](Image& image) { PutInt64(image, indexOffset + 8 * 5, 12345); },
       "block 5: the index gives its offset as 12345, but it starts at " + std::to_string(BlockOffset(5))},
      {"last entry off", [&](Image& image) { PutInt64(image, indexOffset + 8 * Blocks, 7); },
       "the index's last entry 7 is not the end of the last block"},
      {"extra entry",
       [&](Image& image) {
         image.resize(image.size() + 8);
         PutInt64(image, 56, 8 * (Blocks + 2));
       },
       "the index holds 48 entries, but 46 blocks need 47"},
      {"bytes after the index", [](Image& image) { image.push_back(std::byte{0}); },
       "1 bytes follow the index at the end of the file"},
      {"offset outside", [](Image& image) { PutInt64(image, 48, 1 << 30); },
       "the index offset 1073741824 lies outside"},
      {"size not whole entries", [](Image& image) { PutInt64(image, 56, 13); },
       "the index size 13 does not fit"},
      {"header size", [](Image& image) { StoreLittleEndian(image.data() + 8, std::uint32_t{64}); },
       "the header size field is 64 instead of 65"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image image = GoodImage();
    c.damage(image);
    MemoryDevice file(image);
    const ImageVerification verification = VerifyImage(file);
    EXPECT_FALSE(verification.Sound);
    EXPECT_NE(verification.Fault.find(c.expected), std::string::npos) << verification.Fault;
  }
}

// The verifier reads the streams in order but inflates them in groups on
// several threads; whatever fault it meets while reading, the one it names is
// the first in the file.
TEST(ImageDamage, VerifierNamesTheFirstFaultInTheFile) {
  const std::size_t indexOffset = BlockOffset(Blocks);
  auto badStream = [](Image& image, std::size_t block) { image[BlockOffset(block) + 8] = std::byte{0x1F}; };
  auto badEntry = [&](Image& image, std::size_t block) { PutInt64(image, indexOffset + 8 * block, 12345); };
  struct Case {
    const char* name;
    std::function<void(Image&)> damage;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"two streams",
       [&](Image& image) {
         badStream(image, 30);
         badStream(image, 3);
       },
       "block 3 (at byte " + std::to_string(BlockOffset(3)) + "): bad zlib data"},
      {"a stream, then an index entry",
       [&](Image& image) {
         badStream(image, 5);
         badEntry(image, 30);
       },
       "block 5 (at byte " + std::to_string(BlockOffset(5)) + "): bad zlib data"},
      {"an index entry, then a stream",
       [&](Image& image) {
         badEntry(image, 5);
         badStream(image, 3 + 27);
       },
       "block 5: the index gives its offset as 12345"},
      {"a stream, then a bad length",
       [&](Image& image) {
         badStream(image, 10);
         PutInt64(image, BlockOffset(20), 0);
       },
       "block 10 (at byte " + std::to_string(BlockOffset(10)) + "): bad zlib data"},
  };
  for (const Case& c : cases) {
    for (const unsigned workers : {1u, 4u}) {
      SCOPED_TRACE(std::string(c.name) + ", workers " + std::to_string(workers));
      Image image = GoodImage();
      c.damage(image);
      MemoryDevice file(image);
      const ImageVerification verification = VerifyImage(file, workers);
      EXPECT_FALSE(verification.Sound);
      EXPECT_EQ(verification.Fault.rfind(c.expected, 0), 0u) << verification.Fault;
    }
  }
}

// An image made without writing its blocks holds only the index they would
// have had. The verifier reads it entry by entry, however long it is (here
// past its first 64 KiB piece), and takes it for such an image only when it
// names no more blocks than the range in the header can have.
TEST(ImageDamage, IndexOnlyImageIsCheckedEntryByEntry) {
  constexpr std::int64_t Entries = 20'000;
  struct Case {
    const char* name;
    std::int64_t sectorCount;
    std::int64_t standingStill;  // an entry that does not grow, or -1
    bool sound;
  };
  for (const Case c : {Case{"sound", 128 * Entries, -1, true},
                       Case{"entry 15000 stands still", 128 * Entries, 15'000, false},
                       Case{"more blocks than the range has", 128 * 100, -1, false}}) {
    SCOPED_TRACE(c.name);
    ImageHeader header = PartitionHeader(c.sectorCount, {0});
    header.IndexOffset = 65 + 8;
    header.IndexSize = 8 * Entries;
    const auto headerBytes = SerializeHeader(header);
    Image image(headerBytes.begin(), headerBytes.end());
    image.resize(static_cast<std::size_t>(header.IndexOffset + header.IndexSize));
    for (std::int64_t i = 0; i < Entries; ++i) {
      const std::int64_t entry = header.IndexOffset + 100 * (i == c.standingStill ? i - 1 : i);
      PutInt64(image, static_cast<std::size_t>(header.IndexOffset + 8 * i), entry);
    }
    MemoryDevice file(image);
    const ImageVerification verification = VerifyImage(file);
    EXPECT_EQ(verification.Sound, c.sound) << verification.Fault;
    EXPECT_EQ(verification.IndexOnly, c.sound);
    if (!c.sound)
      EXPECT_NE(verification.Fault.find("the index holds 20000 entries, but 0 blocks need 1"),
                std::string::npos);
  }
}

// Any single damaged byte is either harmless to the data (a field readers do
// not use) or reported; it never yields wrong sectors or reads out of bounds.
TEST(ImageDamage, NoSingleFlippedByteYieldsWrongSectors) {
  const auto data = PatternSectors(20);
  const Image good = WriteHeadedImage(data, PartitionHeader(20, {63}), CompressionLevel::Medium);
  for (std::size_t at = 0; at < good.size(); ++at) {
    Image image = good;
    image[at] ^= static_cast<std::byte>(1u << (at % 8));
    MemoryDevice file(image);
    auto reader = ImageReader::Open(file);
    // A damaged magic makes the file a raw image, by the rule every reader follows.
    if (!reader || reader->Format() == ImageFormat::Raw) continue;
    std::vector<std::byte> sectors;
    bool failed = false;
    while (!reader->AtEnd() && !failed) {
      auto block = reader->ReadBlock();
      failed = !block.ok();
      if (block) sectors.insert(sectors.end(), block->begin(), block->end());
    }
    ASSERT_LE(sectors.size(), data.size()) << "byte " << at;
    ASSERT_TRUE(std::equal(sectors.begin(), sectors.end(), data.begin())) << "byte " << at;
    // Whatever the reader made of it, a verified image restores exactly what was written.
    MemoryDevice again(image);
    if (VerifyImage(again).Sound) {
      ASSERT_EQ(sectors.size(), data.size()) << "byte " << at;
    }
  }
}

TEST(ImageRecogniser, ReadsUpToTheListTheFirstSectorHolds) {
  struct Case {
    std::int32_t partitionCount;
    bool recognised;
  };
  for (const Case c : {Case{0, true}, Case{1, true}, Case{55, true}, Case{56, false}, Case{-1, false},
                       Case{0x7FFFFFFF, false}}) {
    SCOPED_TRACE(c.partitionCount);
    std::array<std::byte, 512> sector{};
    ImageHeader header;
    header.PartitionCount = c.partitionCount;
    const auto bytes = SerializeHeader(header);
    std::copy(bytes.begin(), bytes.end(), sector.begin());
    for (int i = 0; i < 55; ++i) StoreLittleEndian<std::int64_t>(sector.data() + 65 + 8 * i, 1000 + i);
    const auto recognised = RecogniseImageSector(sector);
    ASSERT_EQ(recognised.has_value(), c.recognised);
    if (!recognised) continue;
    ASSERT_EQ(recognised->PartitionStarts.size(), static_cast<std::size_t>(c.partitionCount));
    if (c.partitionCount > 0) EXPECT_EQ(recognised->PartitionStarts.back(), 1000 + c.partitionCount - 1);
  }
}

// Only the exact eight characters mark a headed image; anything else is a
// raw image to every reader.
TEST(ImageRecogniser, MagicMustMatchExactly) {
  std::vector<std::string> variants = {"vrzimage", "VRZIMAGE", "VRZImagf"};
  for (std::size_t i = 0; i < 8; ++i) {
    std::string variant = "VRZImage";
    variant[i] = static_cast<char>(variant[i] ^ 0x01);
    variants.push_back(variant);
  }
  for (const std::string& magic : variants) {
    SCOPED_TRACE(magic);
    Image image = GoodImage();
    std::memcpy(image.data(), magic.data(), 8);
    std::array<std::byte, 512> sector{};
    std::copy_n(image.begin(), 512, sector.begin());
    EXPECT_FALSE(RecogniseImageSector(sector).has_value());
    MemoryDevice file(image);
    auto reader = ImageReader::Open(file);
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(reader->Format(), ImageFormat::Raw);
    EXPECT_EQ(reader->SectorCount(), static_cast<std::int64_t>(image.size() / 512));
  }
  std::array<std::byte, 512> sector{};
  std::copy_n(GoodImage().begin(), 512, sector.begin());
  EXPECT_TRUE(RecogniseImageSector(sector).has_value());
}

}  // namespace
}  // namespace drivecopy
