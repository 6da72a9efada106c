#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "image/BlockDecompressor.h"
#include "image/BlockInflater.h"
#include "image/ImageFormat.h"
#include "image/ImageReader.h"
#include "platform/AlignedBuffer.h"
#include "platform/DeviceHandle.h"
#include "platform/Failure.h"

namespace drivecopy {

// The blocks of an image, decoded ahead of their use so that a restore never
// waits for the file or for zlib while the device could be written.
//
// The image is cut into runs of consecutive blocks (up to RunBytes of raw
// data each). A thread of its own reads the file a run at a time in large
// reads; the blocks of a headed image are then inflated on worker threads,
// one run per worker, while the caller writes the runs before. Each run lands
// in one buffer aligned for direct I/O, its blocks back to back, so that
// consecutive blocks can go to a device in one request. Runs reach the caller
// in order, and the bytes are exactly those ImageReader::ReadBlock yields.
//
// From construction on only the decoder's own thread uses the image file;
// the workers touch nothing but memory. Every thread is joined by the
// destructor, whether the image was read to its end or not.
//
// A damaged block (truncated, impossible length, unsound zlib stream) ends
// the image: the run holding it delivers the sound blocks before it and an
// error worded as ImageReader words it ("block 17 (at byte 123): ..."); no
// run follows, and nothing of the damaged block is handed out.
class ParallelImageDecoder {
 public:
  static constexpr std::size_t RunBytes = std::size_t{2} << 20;
  static constexpr unsigned MaxWorkers = 8;

  struct Run {
    std::int64_t FirstBlock = 0;
    std::int64_t FirstSector = 0;      // image sector where the run begins
    std::int64_t Blocks = 0;           // sound blocks in Bytes
    std::span<const std::byte> Bytes;  // their raw bytes, back to back
    std::optional<Failure> Damage;     // the fault of block FirstBlock + Blocks
  };

  // `reader` has just been opened on `file`; decoding starts at its first
  // block. `alignment` is the destination's PreferredAlignment(); `workers`
  // 0 means one per processor core; at most MaxWorkers are started.
  ParallelImageDecoder(DeviceHandle& file, const ImageReader& reader, std::size_t alignment,
                       unsigned workers);
  ~ParallelImageDecoder();
  ParallelImageDecoder(const ParallelImageDecoder&) = delete;
  ParallelImageDecoder& operator=(const ParallelImageDecoder&) = delete;

  // The next run, waiting until it is decoded. Its bytes stay valid until the
  // next call. Only to be called while blocks remain and no damage has been
  // handed out.
  const Run& Next();

 private:
  enum class SlotState { Free, Read, Decoded };
  // A stored block of a headed run: where its stream lies in Stored, or
  // already inflated on the reading thread (a stream too long to hold, or
  // one the slot has no room left for).
  struct StoredBlock {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    std::int64_t FileOffset = 0;
    bool Inflated = false;
  };
  struct Slot {
    AlignedBuffer Raw;
    std::vector<std::byte> Stored;
    std::vector<StoredBlock> StoredBlocks;
    std::int64_t ReadBlocks = 0;  // blocks read whole (headed: streams in hand)
    Run Result;
    SlotState State = SlotState::Free;
  };

  void ReadLoop();
  void WorkLoop();
  // Fills the slot with the run that begins at nextBlock_; false when no run
  // may follow it (the image ended or is damaged).
  bool ReadRun(Slot& slot);
  void ReadRawRun(Slot& slot, std::int64_t endBlock);
  void ReadHeadedRun(Slot& slot, std::int64_t endBlock);
  // Reads one block's length field and stream (or inflates a long stream).
  Outcome<void> ReadHeadedBlock(Slot& slot, std::int64_t block);
  // Inflates the streams read into the slot (headed images).
  void DecodeRun(Slot& slot, std::optional<BlockDecompressor>& decompressor) const;
  std::int64_t RunEndBlock(std::int64_t firstBlock) const;
  std::size_t RawOffset(const Slot& slot, std::int64_t block) const;
  Failure NamedFault(std::int64_t block, std::int64_t fileOffset, const Failure& error) const;
  // Reads up to buffer.size() bytes of the file at cursor_ through the piece
  // buffer; returns the count (short only at the end of the file).
  Outcome<std::size_t> ReadStream(std::span<std::byte> buffer);

  DeviceHandle& file_;
  ImageFormat format_;
  std::int64_t sectors_;
  std::int64_t blockCount_;
  std::int64_t fileSize_;

  // Used by the reading thread only (or the caller when no thread runs).
  std::int64_t nextBlock_ = 0;
  std::int64_t fileOffset_ = 0;                  // where the next block begins in the file
  std::int64_t cursor_ = 0;                      // file offset ReadStream delivers next
  std::vector<std::byte> piece_;                 // file data read in large pieces
  std::size_t pieceBytes_ = 0;                   // valid bytes in piece_
  std::int64_t pieceFileOffset_ = -1;            // file offset of piece_[0]; -1: nothing read yet
  std::vector<std::byte> longPiece_;             // pieces of a stream too long to hold
  std::optional<BlockInflater> readerInflater_;  // streams too long to hold, fed as they are read
  std::optional<BlockDecompressor> readerDecompressor_;
  bool readerDone_ = false;

  std::vector<Slot> slots_;
  std::mutex state_;
  std::condition_variable changed_;
  std::deque<std::size_t> toDecode_;  // slots read and waiting for a worker
  std::size_t taken_ = 0;             // runs handed to the caller
  bool holding_ = false;              // the caller holds slot (taken_ - 1) % size
  bool stopping_ = false;
  std::vector<std::thread> workers_;
  std::thread reader_;  // started last, when everything above is ready
};

}  // namespace drivecopy
