#include "image/BlockInflater.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string>

#include "image/ImageFault.h"

namespace drivecopy {

namespace {

// Past this much surplus output a block is plainly wrong; counting further
// would only let a hostile stream keep us busy.
constexpr std::uint64_t OverflowCountLimit = 16u << 20;

std::string TooLong(std::size_t rawSize, std::uint64_t total, bool exact) {
  return Detail(exact ? &DetailTexts::strSInflatesTo : &DetailTexts::strSInflatesToMore,
                {std::to_string(total), std::to_string(rawSize)});
}

}  // namespace

Outcome<BlockInflater> BlockInflater::Open() {
  auto stream = OpenInflateStream();
  if (!stream) return stream.error();
  return BlockInflater(std::move(*stream));
}

Outcome<void> BlockInflater::Begin(std::span<std::byte> destination) {
  if (inflateReset(stream_.get()) != Z_OK) return Failure::Because("Cannot reset the decompressor");
  destination_ = destination;
  produced_ = 0;
  overflow_ = 0;
  trailing_ = 0;
  ended_ = false;
  return {};
}

Outcome<void> BlockInflater::Pump() {
  z_stream& z = *stream_;
  std::array<std::byte, 4096> surplus;
  for (;;) {
    const bool intoDestination = produced_ < destination_.size();
    const std::size_t room =
        intoDestination ? std::min<std::size_t>(destination_.size() - produced_, UINT_MAX) : surplus.size();
    z.next_out = reinterpret_cast<Bytef*>(intoDestination ? destination_.data() + produced_ : surplus.data());
    z.avail_out = static_cast<uInt>(room);
    const uInt inputBefore = z.avail_in;
    const int result = inflate(&z, Z_NO_FLUSH);
    const std::size_t got = room - z.avail_out;
    if (intoDestination) {
      produced_ += got;
    } else {
      overflow_ += got;
    }
    if (result == Z_STREAM_END) {
      ended_ = true;
      trailing_ += z.avail_in;
      z.avail_in = 0;
      return {};
    }
    if (result == Z_NEED_DICT) return ImageFault(Detail(&DetailTexts::strSBadZlibDictionary));
    if (result == Z_DATA_ERROR) {
      return ImageFault(Detail(&DetailTexts::strSBadZlibData, {z.msg ? z.msg : "invalid stream"}));
    }
    if (result == Z_MEM_ERROR) return Failure::Because("out of memory while inflating");
    if (overflow_ > OverflowCountLimit)
      return ImageFault(TooLong(destination_.size(), produced_ + overflow_, false));
    // No progress: all input is used and inflate holds no pending output.
    if (result == Z_BUF_ERROR || (got == 0 && z.avail_in == inputBefore)) return {};
    if (z.avail_in == 0 && got < room) return {};
  }
}

Outcome<void> BlockInflater::Feed(std::span<const std::byte> piece) {
  z_stream& z = *stream_;
  while (!piece.empty()) {
    if (ended_) {
      trailing_ += piece.size();
      return {};
    }
    const std::size_t chunk = std::min<std::size_t>(piece.size(), UINT_MAX);
    // zlib's input pointer is not const-qualified; it never writes through it.
    z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(piece.data()));
    z.avail_in = static_cast<uInt>(chunk);
    auto pumped = Pump();
    if (!pumped) return pumped;
    piece = piece.subspan(chunk - z.avail_in);
    if (!ended_ && z.avail_in != 0) return Failure::Because("the decompressor stalled");
  }
  return {};
}

Outcome<void> BlockInflater::Finish() {
  if (!ended_) {
    // Output inflate still holds back, and a trailer already taken in whole.
    stream_->next_in = nullptr;
    stream_->avail_in = 0;
    auto pumped = Pump();
    if (!pumped) return pumped;
  }
  const std::size_t rawSize = destination_.size();
  if (!ended_) {
    if (overflow_ > 0) return ImageFault(TooLong(rawSize, produced_ + overflow_, false));
    return ImageFault(
        Detail(&DetailTexts::strSZlibEndsEarly, {std::to_string(produced_), std::to_string(rawSize)}));
  }
  if (overflow_ > 0) return ImageFault(TooLong(rawSize, produced_ + overflow_, true));
  if (produced_ < rawSize) return ImageFault(TooLong(rawSize, produced_, true));
  if (trailing_ > 0) {
    return ImageFault(Detail(&DetailTexts::strSStrayData, {std::to_string(trailing_)}));
  }
  return {};
}

Outcome<void> BlockInflater::InflateWhole(std::span<const std::byte> stream,
                                          std::span<std::byte> destination) {
  if (auto begun = Begin(destination); !begun) return begun;
  if (auto fed = Feed(stream); !fed) return fed;
  return Finish();
}

}  // namespace drivecopy
