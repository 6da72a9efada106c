#pragma once
#include <cstdint>
#include <vector>

#include "image/BlockBatch.h"
#include "image/ImageFormat.h"
#include "image/ImageHeader.h"
#include "platform/DeviceHandle.h"
#include "platform/Failure.h"

namespace drivecopy {

// Writes an image file, in this order: for a headed image the 65 header
// bytes and the first PartitionCount partition starts, then the blocks in
// batches, then (Finish) the block index and the header again with its final
// SectorsStored, IndexOffset and IndexSize. A raw image is the blocks alone.
//
// In virtual mode the batches are counted but not written: a raw image stays
// empty, a headed one receives header, list and index, and the index still
// gives the offsets the blocks would have had. Its SectorsStored is 0, since
// the file holds no sector a reader could restore.
//
// Every failure names the file operation; after one, the writer refuses
// further work, because its offsets no longer describe the file.
class ImageWriter {
 public:
  // Starts on a new, empty file positioned at 0. For a headed image,
  // `header`.PartitionStarts must hold at least PartitionCount entries.
  static Outcome<ImageWriter> Start(DeviceHandle& file, ImageFormat format, ImageHeader header,
                                    bool virtualMode);

  // Appends the batch's blocks (virtual mode: only counts them). The batch
  // must be of the writer's format; the caller clears it afterwards.
  Outcome<void> WriteBatch(const BlockBatch& batch);

  // Ends the image: a headed image gets its index and final header. Then
  // everything written is brought to stable storage.
  Outcome<void> Finish();

  ImageFormat Format() const { return format_; }
  bool IsVirtual() const { return virtual_; }
  // The header as it stands (final after Finish).
  const ImageHeader& Header() const { return header_; }
  // Block bytes handed over so far, written or (virtual mode) not; header,
  // list and index are not counted.
  std::int64_t BlockBytesHanded() const { return blockBytesHanded_; }
  // Sectors covered by the blocks handed over so far.
  std::int64_t SectorsHanded() const { return sectorsHanded_; }
  std::int64_t BlocksHanded() const { return blocksHanded_; }

 private:
  ImageWriter(DeviceHandle& file, ImageFormat format, ImageHeader header, bool virtualMode);
  Outcome<void> Failed(Failure error);

  DeviceHandle* file_;
  ImageFormat format_;
  ImageHeader header_;
  bool virtual_;
  bool failed_ = false;
  bool finished_ = false;
  std::int64_t fileOffset_ = 0;   // where the next write lands
  std::int64_t blockOffset_ = 0;  // where the next block's length field would stand
  std::vector<std::byte> index_;  // the index entries, already little-endian
  std::int64_t blockBytesHanded_ = 0;
  std::int64_t sectorsHanded_ = 0;
  std::int64_t blocksHanded_ = 0;
};

}  // namespace drivecopy
