#include "image/ParallelImageDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <system_error>

#include "image/BlockRule.h"
#include "image/ImageFault.h"
#include "image/ImageFileIo.h"
#include "image/ImageReader.h"
#include "image/LittleEndian.h"
#include "platform/Units.h"

namespace drivecopy {

namespace {

// The file is read in pieces of this size; the length fields and streams of
// a headed image are taken from them.
constexpr std::size_t FilePieceBytes = std::size_t{2} << 20;

// A stream longer than this is far beyond what any writer makes of a 64 KiB
// block; it is inflated as it is read, in pieces, so that a block's length
// never decides how much memory is taken.
constexpr std::int64_t LongestHeldStream = 256 * 1024;
constexpr std::size_t LongStreamPiece = 64 * 1024;

// The streams a slot holds for its workers, at most. Stored (level 0) or
// incompressible blocks take a few bytes more than their raw size, so a
// sound run fits with room to spare; a stream that would pass the bound is
// inflated as it is read instead, like a long one. So a slot's memory is
// fixed, whatever lengths the file gives its blocks.
constexpr std::size_t HeldStreamBytesPerRun =
    ParallelImageDecoder::RunBytes + ParallelImageDecoder::RunBytes / 16;

Outcome<void> Inflate(std::optional<BlockDecompressor>& decompressor, std::span<const std::byte> stream,
                      std::span<std::byte> destination) {
  if (!decompressor) return InflateBlock(stream, destination);
  return decompressor->Inflate(stream, destination);
}

}  // namespace

ParallelImageDecoder::ParallelImageDecoder(DeviceHandle& file, const ImageReader& reader,
                                           std::size_t alignment, unsigned workers)
    : file_(file),
      format_(reader.Format()),
      sectors_(reader.SectorCount()),
      blockCount_(reader.BlockCount()),
      fileSize_(reader.FileSize()),
      fileOffset_(reader.FirstBlockOffset()) {
  if (blockCount_ == 0) return;
  const bool headed = format_ == ImageFormat::Headed;
  // Each worker costs two runs of memory (about 4 MB); past eight of them the
  // device, not zlib, sets the pace.
  const unsigned wanted =
      std::min(MaxWorkers, workers != 0 ? workers : std::max(1u, std::thread::hardware_concurrency()));
  // One run per worker, one being read and one the caller holds.
  const std::size_t slotCount = headed ? wanted + 2 : 4;
  slots_.resize(slotCount);
  for (Slot& slot : slots_) {
    slot.Raw = AlignedBuffer(RunBytes, alignment);
    if (headed) slot.Stored.reserve(HeldStreamBytesPerRun);
  }
  if (auto opened = BlockDecompressor::Open()) readerDecompressor_.emplace(std::move(*opened));
  try {
    if (headed) {
      for (unsigned i = 0; i < wanted; ++i) workers_.emplace_back([this] { WorkLoop(); });
    }
    reader_ = std::thread([this] { ReadLoop(); });
  } catch (const std::system_error&) {
    // Fewer threads than wished: without workers the reading thread inflates,
    // without it the caller reads and inflates each run when it needs it.
  }
}

ParallelImageDecoder::~ParallelImageDecoder() {
  {
    std::lock_guard lock(state_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
  for (std::thread& worker : workers_) worker.join();
}

const ParallelImageDecoder::Run& ParallelImageDecoder::Next() {
  std::unique_lock lock(state_);
  if (holding_) {
    slots_[(taken_ - 1) % slots_.size()].State = SlotState::Free;
    holding_ = false;
    changed_.notify_all();
  }
  const std::size_t index = taken_ % slots_.size();
  Slot& slot = slots_[index];
  if (!reader_.joinable()) {
    lock.unlock();
    ReadRun(slot);
    if (format_ == ImageFormat::Headed) DecodeRun(slot, readerDecompressor_);
    lock.lock();
    slot.State = SlotState::Decoded;
  }
  changed_.wait(lock, [&] { return slot.State == SlotState::Decoded; });
  ++taken_;
  holding_ = true;
  slot.Result.Bytes = std::span<const std::byte>(
      slot.Raw.data(), RawOffset(slot, slot.Result.FirstBlock + slot.Result.Blocks));
  return slot.Result;
}

void ParallelImageDecoder::ReadLoop() {
  const bool inflateHere = format_ == ImageFormat::Headed && workers_.empty();
  for (std::size_t run = 0;; ++run) {
    const std::size_t index = run % slots_.size();
    {
      std::unique_lock lock(state_);
      changed_.wait(lock, [&] { return stopping_ || slots_[index].State == SlotState::Free; });
      if (stopping_) return;
    }
    Slot& slot = slots_[index];
    const bool more = ReadRun(slot);
    if (inflateHere) DecodeRun(slot, readerDecompressor_);
    {
      std::lock_guard lock(state_);
      if (format_ == ImageFormat::Headed && !inflateHere) {
        slot.State = SlotState::Read;
        toDecode_.push_back(index);
      } else {
        slot.State = SlotState::Decoded;
      }
    }
    changed_.notify_all();
    if (!more) return;
  }
}

void ParallelImageDecoder::WorkLoop() {
  std::optional<BlockDecompressor> decompressor;
  if (auto opened = BlockDecompressor::Open()) decompressor.emplace(std::move(*opened));
  std::unique_lock lock(state_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !toDecode_.empty(); });
    if (stopping_) return;
    const std::size_t index = toDecode_.front();
    toDecode_.pop_front();
    lock.unlock();
    DecodeRun(slots_[index], decompressor);
    lock.lock();
    slots_[index].State = SlotState::Decoded;
    changed_.notify_all();
  }
}

std::int64_t ParallelImageDecoder::RunEndBlock(std::int64_t firstBlock) const {
  std::int64_t bytes = 0;
  std::int64_t block = firstBlock;
  while (block < blockCount_ &&
         bytes + BlockRawSize(sectors_, block) <= static_cast<std::int64_t>(RunBytes)) {
    bytes += BlockRawSize(sectors_, block);
    ++block;
  }
  return block;
}

std::size_t ParallelImageDecoder::RawOffset(const Slot& slot, std::int64_t block) const {
  return static_cast<std::size_t>((BlockFirstSector(sectors_, block) - slot.Result.FirstSector) *
                                  BytesPerSector);
}

Failure ParallelImageDecoder::NamedFault(std::int64_t block, std::int64_t fileOffset,
                                         const Failure& error) const {
  return error.Reworded(ImageReader::FaultPrefix(block, fileOffset) + error.text);
}

bool ParallelImageDecoder::ReadRun(Slot& slot) {
  slot.Result = Run{};
  slot.Result.FirstBlock = nextBlock_;
  slot.Result.FirstSector = BlockFirstSector(sectors_, nextBlock_);
  slot.ReadBlocks = 0;
  if (readerDone_ || nextBlock_ >= blockCount_) {
    // Only reached when the caller asks past the end, against the contract.
    slot.Result.Damage = Failure::Because("The image holds no further block");
    return false;
  }
  const std::int64_t endBlock = RunEndBlock(nextBlock_);
  if (format_ == ImageFormat::Headed) {
    ReadHeadedRun(slot, endBlock);
  } else {
    ReadRawRun(slot, endBlock);
  }
  nextBlock_ = endBlock;
  readerDone_ = slot.Result.Damage.has_value() || nextBlock_ >= blockCount_;
  return !readerDone_;
}

void ParallelImageDecoder::ReadRawRun(Slot& slot, std::int64_t endBlock) {
  const std::int64_t first = slot.Result.FirstBlock;
  const std::size_t bytes = RawOffset(slot, endBlock);
  if (SeekTo(file_, fileOffset_)) {
    auto got = ReadUntilFullOrEnd(file_, std::span<std::byte>(slot.Raw.data(), bytes));
    if (got && *got == bytes) {
      slot.ReadBlocks = slot.Result.Blocks = endBlock - first;
      fileOffset_ += static_cast<std::int64_t>(bytes);
      return;
    }
  }
  // The large read failed or came back short: block by block, so that every
  // sound block before the fault is delivered and the fault names its block.
  for (std::int64_t block = first; block < endBlock; ++block) {
    const std::span<std::byte> destination(slot.Raw.data() + RawOffset(slot, block),
                                           static_cast<std::size_t>(BlockRawSize(sectors_, block)));
    const std::int64_t at = fileOffset_;
    if (auto moved = SeekTo(file_, at); !moved) {
      slot.Result.Damage = NamedFault(block, at, moved.error());
      return;
    }
    auto got = ReadUntilFullOrEnd(file_, destination);
    if (!got) {
      slot.Result.Damage = NamedFault(block, at, got.error());
      return;
    }
    if (*got != destination.size()) {
      slot.Result.Damage =
          NamedFault(block, at,
                     ImageFault(Detail(&DetailTexts::strSEndsAfterBytes,
                                       {std::to_string(*got), std::to_string(destination.size())})));
      return;
    }
    fileOffset_ += static_cast<std::int64_t>(destination.size());
    slot.ReadBlocks = slot.Result.Blocks = block + 1 - first;
  }
}

void ParallelImageDecoder::ReadHeadedRun(Slot& slot, std::int64_t endBlock) {
  slot.Stored.clear();
  slot.StoredBlocks.clear();
  for (std::int64_t block = slot.Result.FirstBlock; block < endBlock; ++block) {
    const std::int64_t at = fileOffset_;
    if (auto fault = ReadHeadedBlock(slot, block); !fault) {
      slot.Result.Damage = NamedFault(block, at, fault.error());
      return;
    }
    ++slot.ReadBlocks;
  }
}

Outcome<void> ParallelImageDecoder::ReadHeadedBlock(Slot& slot, std::int64_t block) {
  cursor_ = fileOffset_;
  std::array<std::byte, 8> lengthField{};
  auto got = ReadStream(lengthField);
  if (!got) return got.error();
  if (*got == 0) return ImageFault(Detail(&DetailTexts::strSEndsBeforeBlock));
  if (*got < lengthField.size()) return ImageFault(Detail(&DetailTexts::strSEndsInLengthField));
  const auto length = LoadLittleEndian<std::int64_t>(lengthField.data());
  if (length <= 0) return ImageFault(Detail(&DetailTexts::strSLengthNotPositive, {std::to_string(length)}));
  const std::int64_t remaining = fileSize_ - fileOffset_ - 8;
  if (length > remaining) {
    return ImageFault(
        Detail(&DetailTexts::strSLengthPastEnd, {std::to_string(length), std::to_string(remaining)}));
  }
  const std::span<std::byte> destination(slot.Raw.data() + RawOffset(slot, block),
                                         static_cast<std::size_t>(BlockRawSize(sectors_, block)));
  auto truncated = [length](std::int64_t have) {
    return ImageFault(
        Detail(&DetailTexts::strSEndsAfterBytes, {std::to_string(have), std::to_string(length)}));
  };

  StoredBlock stored{slot.Stored.size(), static_cast<std::size_t>(length), fileOffset_, false};
  if (length <= LongestHeldStream &&
      slot.Stored.size() + static_cast<std::size_t>(length) <= HeldStreamBytesPerRun) {
    slot.Stored.resize(stored.Offset + stored.Length);
    auto read = ReadStream(std::span<std::byte>(slot.Stored.data() + stored.Offset, stored.Length));
    if (!read) return read.error();
    if (*read != stored.Length) return truncated(static_cast<std::int64_t>(*read));
  } else {
    stored.Inflated = true;
    if (!readerInflater_) {
      auto opened = BlockInflater::Open();
      if (!opened) return opened.error();
      readerInflater_.emplace(std::move(*opened));
    }
    if (auto begun = readerInflater_->Begin(destination); !begun) return begun;
    longPiece_.resize(LongStreamPiece);
    std::int64_t left = length;
    while (left > 0) {
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(left, LongStreamPiece));
      const std::span<std::byte> piece(longPiece_.data(), want);
      auto read = ReadStream(piece);
      if (!read) return read.error();
      if (*read != want) return truncated(length - left + static_cast<std::int64_t>(*read));
      if (auto fed = readerInflater_->Feed(piece); !fed) return fed;
      left -= static_cast<std::int64_t>(want);
      if (left > 0 && readerInflater_->StreamEnded()) {
        readerInflater_->CountUnreadStray(static_cast<std::uint64_t>(left));
        break;
      }
    }
    if (auto finished = readerInflater_->Finish(); !finished) return finished;
  }
  slot.StoredBlocks.push_back(stored);
  fileOffset_ += 8 + length;
  return {};
}

Outcome<std::size_t> ParallelImageDecoder::ReadStream(std::span<std::byte> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const std::int64_t pieceEnd = pieceFileOffset_ + static_cast<std::int64_t>(pieceBytes_);
    if (pieceFileOffset_ >= 0 && cursor_ >= pieceFileOffset_ && cursor_ < pieceEnd) {
      const auto from = static_cast<std::size_t>(cursor_ - pieceFileOffset_);
      const std::size_t count = std::min(pieceBytes_ - from, buffer.size() - done);
      std::memcpy(buffer.data() + done, piece_.data() + from, count);
      done += count;
      cursor_ += static_cast<std::int64_t>(count);
      continue;
    }
    piece_.resize(FilePieceBytes);
    if (auto moved = SeekTo(file_, cursor_); !moved) return moved.error();
    auto got = ReadUntilFullOrEnd(file_, piece_);
    if (!got) return got.error();
    pieceFileOffset_ = cursor_;
    pieceBytes_ = *got;
    if (*got == 0) break;
  }
  return done;
}

void ParallelImageDecoder::DecodeRun(Slot& slot, std::optional<BlockDecompressor>& decompressor) const {
  for (std::int64_t i = 0; i < slot.ReadBlocks; ++i) {
    const StoredBlock& stored = slot.StoredBlocks[static_cast<std::size_t>(i)];
    if (stored.Inflated) continue;
    const std::int64_t block = slot.Result.FirstBlock + i;
    const std::span<std::byte> destination(slot.Raw.data() + RawOffset(slot, block),
                                           static_cast<std::size_t>(BlockRawSize(sectors_, block)));
    auto inflated =
        Inflate(decompressor, std::span<const std::byte>(slot.Stored.data() + stored.Offset, stored.Length),
                destination);
    if (!inflated) {
      slot.Result.Blocks = i;
      slot.Result.Damage = NamedFault(block, stored.FileOffset, inflated.error());
      return;
    }
  }
  slot.Result.Blocks = slot.ReadBlocks;
}

}  // namespace drivecopy
