#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "image/ZlibStream.h"
#include "platform/Failure.h"

namespace drivecopy {

// Inflates one block's zlib stream into a destination of exactly the block's
// raw size. The stream may arrive in pieces (the reader feeds it straight
// from the file, so a block's length never decides how much memory is
// taken). Any valid zlib stream is accepted, whatever level or window its
// writer used. The stream is sound only when it ends properly, its Adler-32
// matches, it inflates to exactly the destination's size and nothing follows
// it. Error texts say what is wrong; the caller names the block.
class BlockInflater {
 public:
  static Outcome<BlockInflater> Open();

  // Starts a new block that must inflate to exactly destination.size() bytes.
  Outcome<void> Begin(std::span<std::byte> destination);

  // Feeds the next piece of the block's stream. Fails at once on data that is
  // not a sound zlib stream, and on output running far past the raw size.
  Outcome<void> Feed(std::span<const std::byte> piece);

  // After the last piece: fails unless the block is complete and exact.
  Outcome<void> Finish();

  // True once the zlib stream has ended: whatever is fed after that is stray.
  bool StreamEnded() const { return ended_; }
  // Counts `count` bytes of the block that follow the ended stream and that
  // the caller does not read at all (a hostile length must not make it read
  // gigabytes), so that Finish reports them.
  void CountUnreadStray(std::uint64_t count) { trailing_ += count; }

  // Begin, one Feed and Finish: a whole stream held in memory.
  Outcome<void> InflateWhole(std::span<const std::byte> stream, std::span<std::byte> destination);

 private:
  explicit BlockInflater(InflateStream stream) : stream_(std::move(stream)) {}
  // Runs inflate over the pending input; output beyond the destination is
  // counted in overflow_ so that the error can give the true size.
  Outcome<void> Pump();

  InflateStream stream_;
  std::span<std::byte> destination_;
  std::size_t produced_ = 0;    // bytes written into destination_
  std::uint64_t overflow_ = 0;  // bytes the stream yields beyond destination_
  std::uint64_t trailing_ = 0;  // bytes fed after the end of the stream
  bool ended_ = false;
};

}  // namespace drivecopy
