#include "image/ImageReader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "image/BlockRule.h"
#include "image/ImageFault.h"
#include "image/ImageFileIo.h"
#include "image/LittleEndian.h"
#include "platform/Units.h"

namespace drivecopy {

namespace {

// The least a stored block can take: its 8-byte length and a zlib stream of
// 2 header bytes, at least one byte of deflate data and a 4-byte checksum.
constexpr std::int64_t SmallestStoredBlock = 8 + 7;

// A block's stream up to this length is read whole and inflated at once; a
// longer one, far beyond what any writer makes of a 64 KiB block, is read
// and inflated in pieces of StreamPieceSize, so that a block's length never
// decides how much memory is taken.
constexpr std::int64_t LongestHeldStream = 256 * 1024;
constexpr std::size_t StreamPieceSize = 64 * 1024;

Failure NotAnImage(const std::string& why) { return ImageFault(Detail(&DetailTexts::strSNotAnImage, {why})); }

}  // namespace

Outcome<ImageReader> ImageReader::Open(DeviceHandle& file) {
  auto decompressor = BlockDecompressor::Open();
  if (!decompressor) return decompressor.error();
  auto inflater = BlockInflater::Open();
  if (!inflater) return inflater.error();
  ImageReader reader(file, std::move(*decompressor), std::move(*inflater));

  auto size = file.Size();
  if (!size) return FileOperationFailed(&DetailTexts::strSCannotTellImageSize, {}, size.error());
  reader.fileSize_ = *size;

  std::array<std::byte, ImageHeaderSize> headerBytes{};
  if (auto moved = SeekTo(file, 0); !moved) return moved.error();
  auto got = ReadUntilFullOrEnd(file, headerBytes, Detail(&DetailTexts::strSWhatImageHeader));
  if (!got) return got.error();

  if (!HasImageMagic(std::span(headerBytes).first(*got))) {
    // No mark: the sectors back to back; a trailing part sector is not data.
    reader.format_ = ImageFormat::Raw;
    reader.sectors_ = reader.fileSize_ / BytesPerSector;
    reader.blockCount_ = drivecopy::BlockCount(reader.sectors_);
    reader.blockBuffer_.resize(static_cast<std::size_t>(BlockBytes));
    return reader;
  }

  reader.format_ = ImageFormat::Headed;
  if (*got < ImageHeaderSize) {
    return NotAnImage(Detail(&DetailTexts::strSImageMarkOnly, {std::to_string(*got)}));
  }
  reader.header_ = *ParseHeader(headerBytes);
  const ImageHeader& header = reader.header_;

  if (header.PartitionCount < 0) {
    return NotAnImage(
        Detail(&DetailTexts::strSPartitionCountNegative, {std::to_string(header.PartitionCount)}));
  }
  if (header.PartitionCount > MaxPartitionStarts) {
    return NotAnImage(Detail(&DetailTexts::strSPartitionListTooLong,
                             {std::to_string(header.PartitionCount), std::to_string(MaxPartitionStarts)}));
  }
  reader.firstBlockOffset_ = ImageHeaderSize + 8 * static_cast<std::int64_t>(header.PartitionCount);
  if (reader.firstBlockOffset_ > reader.fileSize_) {
    return NotAnImage(Detail(&DetailTexts::strSPartitionListPastEnd,
                             {std::to_string(header.PartitionCount), std::to_string(reader.fileSize_)}));
  }
  std::vector<std::byte> list(8 * static_cast<std::size_t>(header.PartitionCount));
  auto listRead = ReadUntilFullOrEnd(file, list, Detail(&DetailTexts::strSWhatPartitionList));
  if (!listRead) return listRead.error();
  if (*listRead != list.size()) return NotAnImage(Detail(&DetailTexts::strSEndsInPartitionList));
  reader.header_.PartitionStarts.resize(list.size() / 8);
  for (std::size_t i = 0; i < list.size() / 8; ++i) {
    reader.header_.PartitionStarts[i] = LoadLittleEndian<std::int64_t>(list.data() + 8 * i);
  }

  if (header.SectorsStored < 0) {
    return NotAnImage(Detail(&DetailTexts::strSSectorCountNegative, {std::to_string(header.SectorsStored)}));
  }
  const std::int64_t blocks = drivecopy::BlockCount(header.SectorsStored);
  const std::int64_t room = reader.fileSize_ - reader.firstBlockOffset_;
  if (blocks > room / SmallestStoredBlock) {
    return NotAnImage(
        Detail(&DetailTexts::strSTooManyBlocksClaimed,
               {std::to_string(header.SectorsStored), std::to_string(blocks), std::to_string(room)}));
  }
  reader.sectors_ = header.SectorsStored;
  reader.blockCount_ = blocks;
  reader.nextOffset_ = reader.firstBlockOffset_;
  reader.blockBuffer_.resize(static_cast<std::size_t>(BlockBytes));
  reader.streamBuffer_.reserve(static_cast<std::size_t>(LongestHeldStream));
  return reader;
}

std::int64_t ImageReader::NextBlockFirstSector() const { return BlockFirstSector(sectors_, nextBlock_); }

Outcome<std::span<const std::byte>> ImageReader::ReadBlock() {
  if (AtEnd()) return Failure::Because("The image holds no further block");
  const auto rawSize = static_cast<std::size_t>(BlockRawSize(sectors_, nextBlock_));
  const std::span<std::byte> block(blockBuffer_.data(), rawSize);
  std::optional<Failure> fault;
  if (format_ == ImageFormat::Headed) {
    if (auto read = ReadHeadedBlock(block, nullptr); !read) fault = read.error();
  } else if (auto read = ReadRawBlock(block); !read) {
    fault = read.error();
  }
  if (fault) return fault->Reworded(FaultPrefix(nextBlock_, nextOffset_) + fault->text);
  ++nextBlock_;
  return std::span<const std::byte>(block);
}

Outcome<ImageReader::StoredBlock> ImageReader::ReadStoredBlock(std::vector<std::byte>& stream) {
  if (AtEnd()) return Failure::Because("The image holds no further block");
  if (format_ != ImageFormat::Headed) return Failure::Because("A raw image stores no streams");
  StoredBlock stored;
  stored.RawSize = static_cast<std::size_t>(BlockRawSize(sectors_, nextBlock_));
  const std::int64_t offset = nextOffset_;
  auto held = ReadHeadedBlock(std::span<std::byte>(blockBuffer_.data(), stored.RawSize), &stream);
  if (!held) return held.error().Reworded(FaultPrefix(nextBlock_, offset) + held.error().text);
  stored.Inflated = !*held;
  ++nextBlock_;
  return stored;
}

std::string ImageReader::FaultPrefix(std::int64_t block, std::int64_t fileOffset) {
  return Detail(&DetailTexts::strSBlockAtByte, {std::to_string(block), std::to_string(fileOffset)});
}

Outcome<void> ImageReader::ReadRawBlock(std::span<std::byte> block) {
  if (auto moved = SeekTo(*file_, nextOffset_); !moved) return moved;
  auto got = ReadUntilFullOrEnd(*file_, block);
  if (!got) return got.error();
  if (*got != block.size()) {
    return ImageFault(
        Detail(&DetailTexts::strSEndsAfterBytes, {std::to_string(*got), std::to_string(block.size())}));
  }
  nextOffset_ += static_cast<std::int64_t>(block.size());
  return {};
}

Outcome<bool> ImageReader::ReadHeadedBlock(std::span<std::byte> block, std::vector<std::byte>* holdInto) {
  if (auto moved = SeekTo(*file_, nextOffset_); !moved) return moved.error();
  std::array<std::byte, 8> lengthField{};
  auto got = ReadUntilFullOrEnd(*file_, lengthField);
  if (!got) return got.error();
  if (*got == 0) return ImageFault(Detail(&DetailTexts::strSEndsBeforeBlock));
  if (*got < lengthField.size()) {
    return ImageFault(Detail(&DetailTexts::strSEndsInLengthField));
  }
  const auto length = LoadLittleEndian<std::int64_t>(lengthField.data());
  if (length <= 0) return ImageFault(Detail(&DetailTexts::strSLengthNotPositive, {std::to_string(length)}));
  const std::int64_t remaining = fileSize_ - nextOffset_ - 8;
  if (length > remaining) {
    return ImageFault(
        Detail(&DetailTexts::strSLengthPastEnd, {std::to_string(length), std::to_string(remaining)}));
  }

  auto truncated = [&](std::size_t bytesThere) {
    return ImageFault(
        Detail(&DetailTexts::strSEndsAfterBytes, {std::to_string(bytesThere), std::to_string(length)}));
  };
  if (length <= LongestHeldStream) {
    std::vector<std::byte>& stream = holdInto != nullptr ? *holdInto : streamBuffer_;
    stream.resize(static_cast<std::size_t>(length));
    auto read = ReadUntilFullOrEnd(*file_, stream);
    if (!read) return read.error();
    if (*read != stream.size()) return truncated(*read);
    if (holdInto == nullptr) {
      if (auto inflated = decompressor_.Inflate(stream, block); !inflated) return inflated.error();
    }
    nextOffset_ += 8 + length;
    return holdInto != nullptr;
  }

  streamBuffer_.resize(StreamPieceSize);
  if (auto begun = inflater_.Begin(block); !begun) return begun.error();
  std::int64_t left = length;
  while (left > 0) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(left, StreamPieceSize));
    const std::span<std::byte> piece(streamBuffer_.data(), want);
    auto read = ReadUntilFullOrEnd(*file_, piece);
    if (!read) return read.error();
    if (*read != want) return truncated(static_cast<std::size_t>(length - left) + *read);
    if (auto fed = inflater_.Feed(piece); !fed) return fed.error();
    left -= static_cast<std::int64_t>(want);
    if (left > 0 && inflater_.StreamEnded()) {
      inflater_.CountUnreadStray(static_cast<std::uint64_t>(left));
      break;
    }
  }
  if (auto finished = inflater_.Finish(); !finished) return finished.error();
  nextOffset_ += 8 + length;
  return false;
}

}  // namespace drivecopy
