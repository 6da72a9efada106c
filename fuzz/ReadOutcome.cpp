#include "ReadOutcome.h"

#include <zlib.h>

#include <cstring>

#include "FuzzCheck.h"
#include "image/BlockRule.h"
#include "image/ImageReader.h"
#include "platform/Units.h"
#include "support/MemoryDevice.h"

namespace drivecopy::fuzz {

ReadOutcome ReadWholeImage(const std::vector<std::byte>& image, std::size_t readPiece) {
  test_support::MemoryDevice file(image);
  if (readPiece != 0) file.ReadPieceLimit = readPiece;
  ReadOutcome outcome;
  auto reader = ImageReader::Open(file);
  if (!reader) {
    outcome.Error = reader.error().text;
    FUZZ_CHECK(!outcome.Error.empty(), "a refused image says why");
    return outcome;
  }
  outcome.Opened = true;
  const auto fileSize = static_cast<std::int64_t>(image.size());
  FUZZ_CHECK(reader->FileSize() == fileSize, "the reader knows the file's size");
  FUZZ_CHECK(reader->SectorCount() >= 0, "no negative sector count");
  FUZZ_CHECK(reader->BlockCount() == BlockCount(reader->SectorCount()), "blocks follow the block rule");
  if (reader->Format() == ImageFormat::Raw) {
    FUZZ_CHECK(reader->SectorCount() == fileSize / BytesPerSector, "a raw image is its whole sectors");
  } else {
    // At least 15 bytes per stored block: a header cannot make the reader plan
    // more blocks than the file could hold.
    FUZZ_CHECK(reader->FirstBlockOffset() + 15 * reader->BlockCount() <= fileSize,
               "the planned blocks fit in the file");
  }

  uLong checksum = crc32(0, nullptr, 0);
  std::int64_t previousOffset = -1;
  while (!reader->AtEnd()) {
    const std::int64_t block = reader->NextBlock();
    const std::int64_t offset = reader->NextBlockOffset();
    FUZZ_CHECK(offset > previousOffset && offset <= fileSize, "blocks start in order inside the file");
    FUZZ_CHECK(reader->NextBlockFirstSector() == BlockFirstSector(reader->SectorCount(), block),
               "the block's first sector follows the block rule");
    auto decoded = reader->ReadBlock();
    if (!decoded) {
      outcome.Error = decoded.error().text;
      FUZZ_CHECK(outcome.Error.rfind("block " + std::to_string(block) + " ", 0) == 0,
                 "a block's fault names the block");
      FUZZ_CHECK(reader->NextBlock() == block && reader->NextBlockOffset() == offset,
                 "after a failure the reader stays on the failed block");
      auto again = reader->ReadBlock();
      FUZZ_CHECK(!again && again.error().text == outcome.Error,
                 "reading the failed block again fails the same way");
      break;
    }
    FUZZ_CHECK(static_cast<std::int64_t>(decoded->size()) == BlockRawSize(reader->SectorCount(), block),
               "every block comes back at exactly its raw size");
    if (reader->Format() == ImageFormat::Raw) {
      FUZZ_CHECK(std::memcmp(decoded->data(), image.data() + offset, decoded->size()) == 0,
                 "a raw block is the file's bytes");
    }
    checksum =
        crc32(checksum, reinterpret_cast<const Bytef*>(decoded->data()), static_cast<uInt>(decoded->size()));
    previousOffset = offset;
    ++outcome.BlocksRead;
  }
  if (outcome.Error.empty()) {
    FUZZ_CHECK(outcome.BlocksRead == reader->BlockCount(), "a clean read yields every block");
    FUZZ_CHECK(!reader->ReadBlock(), "nothing is read past the last block");
  }
  outcome.Checksum = static_cast<std::uint32_t>(checksum);
  return outcome;
}

}  // namespace drivecopy::fuzz
