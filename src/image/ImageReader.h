#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/BlockDecompressor.h"
#include "image/BlockInflater.h"
#include "image/ImageFormat.h"
#include "image/ImageHeader.h"
#include "platform/DeviceHandle.h"
#include "platform/Failure.h"

namespace drivecopy {

// Reads an image file block by block, so that a restore can write each block
// as soon as it is decoded. The first 8 bytes decide the variant: with the
// magic the file is headed, otherwise it is a raw image of (size div 512)
// sectors. A headed image yields SectorsStored sectors, cut by the block
// rule; its index and its other header fields are not needed for reading.
//
// Nothing in the file is trusted: every count is checked against the file's
// size before memory is taken for it, and every fault is an error that says
// what is wrong and, for a block, which one ("block 17", counted from 0).
class ImageReader {
 public:
  // Reads the header and partition list. Fails on a headed image whose
  // header is damaged past reading (too short, a negative PartitionCount or
  // one above the 101 entries of a drive's layout, a list or SectorsStored
  // that the file cannot hold). What it keeps in memory is fixed: a 64 KiB
  // block, at most 256 KiB of one block's stream and 101 partition starts.
  static Outcome<ImageReader> Open(DeviceHandle& file);

  ImageFormat Format() const { return format_; }
  // The header with its partition starts; meaningful for a headed image.
  const ImageHeader& Header() const { return header_; }
  std::int64_t FileSize() const { return fileSize_; }
  // Sectors the image holds: what a restore writes.
  std::int64_t SectorCount() const { return sectors_; }
  std::int64_t BlockCount() const { return blockCount_; }
  // File offset of the first block: 0, or 65 + 8 × PartitionCount.
  std::int64_t FirstBlockOffset() const { return firstBlockOffset_; }

  // The block the next ReadBlock returns, and where it starts in the file
  // (for a headed image, the offset of its length field).
  std::int64_t NextBlock() const { return nextBlock_; }
  std::int64_t NextBlockOffset() const { return nextOffset_; }
  // Sector, counted from the start of the image, where the next block begins.
  std::int64_t NextBlockFirstSector() const;
  bool AtEnd() const { return nextBlock_ >= blockCount_; }

  // Reads and decodes the next block to exactly its raw size (65,536 or 512
  // bytes). The view stays valid until the next call. After a failure the
  // reader stays on the failed block.
  Outcome<std::span<const std::byte>> ReadBlock();

  // The next block of a headed image as it is stored, for callers that
  // inflate it themselves (on other threads): its zlib stream, not yet
  // checked, goes into `stream` when it is no longer than 256 KiB. A longer
  // stream is inflated here, piece by piece as ReadBlock does, and Inflated
  // says so. Faults of the file and the length field are worded as ReadBlock
  // words them. Not for a raw image.
  struct StoredBlock {
    std::size_t RawSize = 0;
    bool Inflated = false;  // checked here; `stream` holds nothing of it
  };
  Outcome<StoredBlock> ReadStoredBlock(std::vector<std::byte>& stream);

  // The words ReadBlock puts before a fault of block `block` at `fileOffset`.
  static std::string FaultPrefix(std::int64_t block, std::int64_t fileOffset);

 private:
  ImageReader(DeviceHandle& file, BlockDecompressor decompressor, BlockInflater inflater)
      : file_(&file), decompressor_(std::move(decompressor)), inflater_(std::move(inflater)) {}
  // Reads the block at nextOffset_ into `block`. With `holdInto`, a stream no
  // longer than 256 KiB is left there uninflated instead; true when it was.
  Outcome<bool> ReadHeadedBlock(std::span<std::byte> block, std::vector<std::byte>* holdInto);
  Outcome<void> ReadRawBlock(std::span<std::byte> block);

  DeviceHandle* file_;
  BlockDecompressor decompressor_;  // a block's stream read whole
  BlockInflater inflater_;          // a stream too long to hold, inflated as it is read
  ImageFormat format_ = ImageFormat::Raw;
  ImageHeader header_;
  std::int64_t fileSize_ = 0;
  std::int64_t sectors_ = 0;
  std::int64_t blockCount_ = 0;
  std::int64_t firstBlockOffset_ = 0;
  std::int64_t nextBlock_ = 0;
  std::int64_t nextOffset_ = 0;
  std::vector<std::byte> blockBuffer_;
  std::vector<std::byte> streamBuffer_;
};

}  // namespace drivecopy
