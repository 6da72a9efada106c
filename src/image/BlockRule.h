#pragma once
#include <cstdint>

#include "platform/Units.h"

namespace drivecopy {

// How a run of sectors is cut into transfer blocks, by the writer of an image
// (over the range it reads) and by every reader (over SectorsStored): from
// the start, S div 128 blocks of 65,536 bytes, then S mod 128 blocks of one
// 512-byte sector. A stopped writer has stored a leading run of the blocks
// the whole range would have had, so both sides agree on every stored block.
// All functions expect sectors >= 0 and 0 <= blockIndex < BlockCount(sectors).

// Number of blocks a run of `sectors` sectors is cut into.
constexpr std::int64_t BlockCount(std::int64_t sectors) {
  return sectors / BlockSectors + sectors % BlockSectors;
}

// The most blocks any leading run of at most `sectors` sectors is cut into
// (the count is not monotonic: 127 sectors are 127 blocks, 128 are one).
constexpr std::int64_t MostBlocksWithin(std::int64_t sectors) {
  return sectors < BlockSectors - 1 ? sectors : sectors / BlockSectors + (BlockSectors - 1);
}

// Sectors in block `blockIndex` of a run of `sectors` sectors: 128 or 1.
constexpr std::int64_t BlockSectorCount(std::int64_t sectors, std::int64_t blockIndex) {
  return blockIndex < sectors / BlockSectors ? BlockSectors : 1;
}

// Raw (uncompressed) size in bytes of block `blockIndex`: 65,536 or 512.
constexpr std::int64_t BlockRawSize(std::int64_t sectors, std::int64_t blockIndex) {
  return BlockSectorCount(sectors, blockIndex) * BytesPerSector;
}

// Sector, counted from the start of the run, at which block `blockIndex`
// begins; BlockFirstSector(s, BlockCount(s)) == s.
constexpr std::int64_t BlockFirstSector(std::int64_t sectors, std::int64_t blockIndex) {
  const std::int64_t wholeBlocks = sectors / BlockSectors;
  return blockIndex <= wholeBlocks ? blockIndex * BlockSectors
                                   : wholeBlocks * BlockSectors + (blockIndex - wholeBlocks);
}

}  // namespace drivecopy
