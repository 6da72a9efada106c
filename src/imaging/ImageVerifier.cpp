#include "imaging/ImageVerifier.h"

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "disk/Units.h"
#include "imaging/ImageFileIo.h"
#include "imaging/ImageReader.h"
#include "imaging/LittleEndian.h"

namespace drivecopy {

namespace {

ImageVerification Faulty(std::string fault, std::int64_t blocksChecked) {
  ImageVerification result;
  result.Fault = std::move(fault);
  result.BlocksChecked = blocksChecked;
  return result;
}

// Where the index stands and how long it is, checked against the file before
// a byte of it is read; nullopt and `fault` set when it cannot be the index.
std::optional<std::vector<std::int64_t>> LoadIndex(DeviceHandle& file, const ImageReader& reader,
                                                   std::string& fault) {
  const TVRZHeader& header = reader.Header();
  const std::int64_t fileSize = reader.FileSize();
  if (header.IndexOffset < reader.FirstBlockOffset() || header.IndexOffset > fileSize) {
    fault = "the index offset " + std::to_string(header.IndexOffset) + " lies outside the blocks' area (" +
            std::to_string(reader.FirstBlockOffset()) + " to " + std::to_string(fileSize) + ")";
    return std::nullopt;
  }
  if (header.IndexSize < 8 || header.IndexSize % 8 != 0 || header.IndexSize > fileSize - header.IndexOffset) {
    fault = "the index size " + std::to_string(header.IndexSize) + " does not fit a whole index at offset " +
            std::to_string(header.IndexOffset) + " of a file of " + std::to_string(fileSize) + " bytes";
    return std::nullopt;
  }
  if (header.IndexOffset + header.IndexSize != fileSize) {
    fault = std::to_string(fileSize - header.IndexOffset - header.IndexSize) +
            " bytes follow the index at the end of the file";
    return std::nullopt;
  }
  std::vector<std::byte> bytes(static_cast<std::size_t>(header.IndexSize));
  if (auto moved = SeekTo(file, header.IndexOffset, "the image file"); !moved) {
    fault = moved.error().text;
    return std::nullopt;
  }
  auto got = ReadUntilFullOrEnd(file, bytes, "the block index");
  if (!got || *got != bytes.size()) {
    fault = got ? "the file ends inside the block index" : got.error().text;
    return std::nullopt;
  }
  std::vector<std::int64_t> entries(bytes.size() / 8);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = LoadLittleEndian<std::int64_t>(bytes.data() + 8 * i);
  return entries;
}

// A virtual-mode image: no stored sectors, the index right behind the list,
// and entries that start there and grow by at least one stored block each.
bool IsIndexOnlyImage(const ImageReader& reader, const std::vector<std::int64_t>& entries) {
  if (reader.Header().SectorsStored != 0 || reader.Header().IndexOffset != reader.FirstBlockOffset()) return false;
  if (entries.size() < 2 || entries.front() != reader.FirstBlockOffset()) return false;
  for (std::size_t i = 1; i < entries.size(); ++i) {
    // No entry can exceed one that is already within 8 of the largest offset
    // (and adding 8 to it would overflow).
    if (entries[i - 1] > std::numeric_limits<std::int64_t>::max() - 8) return false;
    if (entries[i] <= entries[i - 1] + 8) return false;
  }
  return true;
}

ImageVerification VerifyRaw(ImageReader& reader) {
  // Any bytes are a raw image, but no bytes (or fewer than a sector, or a
  // device that reports no size, as /dev/zero does) are nothing to restore.
  if (reader.SectorCount() == 0) {
    return Faulty("it holds no sectors (" + std::to_string(reader.FileSize()) +
                      " bytes), so it is no image of anything",
                  0);
  }
  while (!reader.AtEnd()) {
    const std::int64_t checked = reader.NextBlock();
    if (auto block = reader.ReadBlock(); !block) return Faulty(block.error().text, checked);
  }
  ImageVerification result;
  result.Sound = true;
  result.BlocksChecked = reader.BlockCount();
  if (const std::int64_t tail = reader.FileSize() % BytesPerSector; tail != 0) {
    result.Note = "the last " + std::to_string(tail) + " bytes are less than a sector and are never restored";
  }
  return result;
}

ImageVerification VerifyHeaded(DeviceHandle& file, ImageReader& reader) {
  if (reader.Header().IndexOffset == 0 && reader.Header().IndexSize == 0) {
    // The header a create writes first; it is replaced only at the end.
    return Faulty("its writing never finished: the block index and the final header were never written", 0);
  }
  const TVRZHeader& header = reader.Header();
  if (header.HeaderSize != ImageHeaderSize) {
    return Faulty("the header size field is " + std::to_string(header.HeaderSize) + " instead of 65", 0);
  }
  std::string indexFault;
  const auto entries = LoadIndex(file, reader, indexFault);
  if (entries && IsIndexOnlyImage(reader, *entries)) {
    ImageVerification result;
    result.Sound = true;
    result.IndexOnly = true;
    result.Note = "the image holds no blocks, only an index of the " + std::to_string(entries->size() - 1) +
                  " blocks it would have had";
    return result;
  }
  const auto expectedEntries = static_cast<std::size_t>(reader.BlockCount() + 1);
  if (entries && entries->size() != expectedEntries) {
    indexFault = "the index holds " + std::to_string(entries->size()) + " entries, but " +
                 std::to_string(reader.BlockCount()) + " blocks need " + std::to_string(expectedEntries);
  }
  const bool compareEntries = entries && indexFault.empty();

  while (!reader.AtEnd()) {
    const std::int64_t block = reader.NextBlock();
    const std::int64_t offset = reader.NextBlockOffset();
    if (compareEntries && (*entries)[static_cast<std::size_t>(block)] != offset) {
      return Faulty("block " + std::to_string(block) + ": the index gives its offset as " +
                        std::to_string((*entries)[static_cast<std::size_t>(block)]) + ", but it starts at " +
                        std::to_string(offset),
                    block);
    }
    if (auto decoded = reader.ReadBlock(); !decoded) return Faulty(decoded.error().text, block);
  }
  if (!indexFault.empty()) return Faulty(indexFault, reader.BlockCount());
  const std::int64_t end = reader.NextBlockOffset();
  if (entries->back() != end) {
    return Faulty("the index's last entry " + std::to_string(entries->back()) +
                      " is not the end of the last block (" + std::to_string(end) + ")",
                  reader.BlockCount());
  }
  if (header.IndexOffset != end) {
    return Faulty("the index starts at " + std::to_string(header.IndexOffset) + ", not right after the last block (" +
                      std::to_string(end) + ")",
                  reader.BlockCount());
  }
  ImageVerification result;
  result.Sound = true;
  result.BlocksChecked = reader.BlockCount();
  return result;
}

}  // namespace

ImageVerification VerifyImage(DeviceHandle& file) {
  auto reader = ImageReader::Open(file);
  if (!reader) return Faulty(reader.error().text, 0);
  return reader->Format() == ImageFormat::Raw ? VerifyRaw(*reader) : VerifyHeaded(file, *reader);
}

}  // namespace drivecopy
