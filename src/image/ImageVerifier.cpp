#include "image/ImageVerifier.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "image/BlockIndexCursor.h"
#include "image/BlockRule.h"
#include "image/ImageReader.h"
#include "image/ParallelBlockChecker.h"
#include "platform/Units.h"
#include "text/DetailTextsInForce.h"

namespace drivecopy {

namespace {

ImageVerification Faulty(std::string fault, std::int64_t blocksChecked) {
  ImageVerification result;
  result.Fault = std::move(fault);
  result.BlocksChecked = blocksChecked;
  return result;
}

// Where the index stands and how long it is, checked against the file before
// any of it is read; the fault, or "" when it can be the index.
std::string IndexPlacementFault(const ImageReader& reader) {
  const ImageHeader& header = reader.Header();
  const std::int64_t fileSize = reader.FileSize();
  if (header.IndexOffset < reader.FirstBlockOffset() || header.IndexOffset > fileSize) {
    return Detail(&DetailTexts::strSIndexOffsetOutside,
                  {std::to_string(header.IndexOffset), std::to_string(reader.FirstBlockOffset()),
                   std::to_string(fileSize)});
  }
  if (header.IndexSize < 8 || header.IndexSize % 8 != 0 || header.IndexSize > fileSize - header.IndexOffset) {
    return Detail(
        &DetailTexts::strSIndexSizeMisfit,
        {std::to_string(header.IndexSize), std::to_string(header.IndexOffset), std::to_string(fileSize)});
  }
  if (header.IndexOffset + header.IndexSize != fileSize) {
    return Detail(&DetailTexts::strSBytesAfterIndex,
                  {std::to_string(fileSize - header.IndexOffset - header.IndexSize)});
  }
  return "";
}

// A virtual-mode image: no stored sectors, the index right behind the list,
// no more entries than the blocks of the range the header names can need,
// and entries that start there and grow by at least one stored block each.
// The entries are read one by one, so an index of any length costs nothing
// but the time to read it. A failure to read it is an error.
Outcome<bool> IsIndexOnlyImage(DeviceHandle& file, const ImageReader& reader) {
  const ImageHeader& header = reader.Header();
  if (header.SectorsStored != 0 || header.IndexOffset != reader.FirstBlockOffset()) return false;
  const std::int64_t entries = header.IndexSize / 8;
  if (entries < 2 || entries - 1 > MostBlocksWithin(std::max<std::int64_t>(header.SectorCount, 0)))
    return false;
  BlockIndexCursor cursor(file, header.IndexOffset, entries);
  auto previous = cursor.Next();
  if (!previous) return previous.error();
  if (*previous != reader.FirstBlockOffset()) return false;
  while (cursor.EntriesLeft() > 0) {
    auto entry = cursor.Next();
    if (!entry) return entry.error();
    // No entry can exceed one that is already within 8 of the largest offset
    // (and adding 8 to it would overflow).
    if (*previous > std::numeric_limits<std::int64_t>::max() - 8) return false;
    if (*entry <= *previous + 8) return false;
    previous = entry;
  }
  return true;
}

ImageVerification VerifyRaw(ImageReader& reader) {
  // Any bytes are a raw image, but no bytes (or fewer than a sector, or a
  // device that reports no size, as /dev/zero does) are nothing to restore.
  if (reader.SectorCount() == 0) {
    return Faulty(Detail(&DetailTexts::strSHoldsNoSectors, {std::to_string(reader.FileSize())}), 0);
  }
  while (!reader.AtEnd()) {
    const std::int64_t checked = reader.NextBlock();
    if (auto block = reader.ReadBlock(); !block) return Faulty(block.error().text, checked);
  }
  ImageVerification result;
  result.Sound = true;
  result.BlocksChecked = reader.BlockCount();
  if (const std::int64_t tail = reader.FileSize() % BytesPerSector; tail != 0) {
    result.Note = Detail(&DetailTexts::strSTailNeverRestored, {std::to_string(tail)});
  }
  return result;
}

// Streams read but not yet inflated: they are checked together, on all
// cores, once this many have gathered (about 4 MiB of raw data, 1 to 4 MiB
// of streams).
constexpr std::size_t PendingBlocks = 64;

// The blocks whose streams wait to be checked, in order.
class PendingStreams {
 public:
  explicit PendingStreams(unsigned workers) {
    if (auto opened = ParallelBlockChecker::Open(workers)) checker_.emplace(std::move(*opened));
  }
  // False when no checker could be set up: the caller reads block by block.
  bool Usable() const { return checker_.has_value(); }
  bool Full() const { return count_ == PendingBlocks; }

  // The buffer the next block's stream is read into; Add makes it wait.
  std::vector<std::byte>& NextStream() {
    if (streams_.size() == count_) {
      streams_.emplace_back();
      blocks_.emplace_back();
      offsets_.emplace_back();
      rawSizes_.emplace_back();
    }
    return streams_[count_];
  }
  void Add(std::int64_t block, std::int64_t fileOffset, std::size_t rawSize) {
    blocks_[count_] = block;
    offsets_[count_] = fileOffset;
    rawSizes_[count_] = rawSize;
    ++count_;
  }

  // Checks what waits; the first unsound block's fault, named as a reader names it.
  std::optional<ImageVerification> Check() {
    const std::size_t count = count_;
    count_ = 0;
    if (count == 0) return std::nullopt;
    auto unsound = checker_->Check(std::span(streams_).first(count), std::span(rawSizes_).first(count));
    if (!unsound) return std::nullopt;
    const std::int64_t block = blocks_[unsound->Index];
    return Faulty(ImageReader::FaultPrefix(block, offsets_[unsound->Index]) + unsound->Fault.text, block);
  }

 private:
  std::optional<ParallelBlockChecker> checker_;
  std::size_t count_ = 0;
  std::vector<std::vector<std::byte>> streams_;  // kept from batch to batch, with their memory
  std::vector<std::int64_t> blocks_;
  std::vector<std::int64_t> offsets_;
  std::vector<std::size_t> rawSizes_;
};

ImageVerification VerifyHeaded(DeviceHandle& file, ImageReader& reader, unsigned workers) {
  if (reader.Header().IndexOffset == 0 && reader.Header().IndexSize == 0) {
    // The header a create writes first; it is replaced only at the end.
    return Faulty(Detail(&DetailTexts::strSWritingNeverFinished), 0);
  }
  const ImageHeader& header = reader.Header();
  if (header.HeaderSize != ImageHeaderSize) {
    return Faulty(Detail(&DetailTexts::strSHeaderSizeField, {std::to_string(header.HeaderSize)}), 0);
  }
  // An index fault is reported after the blocks, so that a damaged block is
  // named first; the entries are compared only with an index that has the
  // size SectorsStored gives it: 8 bytes a block and 8 for the end.
  std::string indexFault = IndexPlacementFault(reader);
  if (indexFault.empty()) {
    auto indexOnly = IsIndexOnlyImage(file, reader);
    if (!indexOnly) return Faulty(indexOnly.error().text, 0);
    if (*indexOnly) {
      ImageVerification result;
      result.Sound = true;
      result.IndexOnly = true;
      result.Note = Detail(&DetailTexts::strSIndexWithoutBlocks, {std::to_string(header.IndexSize / 8 - 1)});
      return result;
    }
    const std::int64_t expectedEntries = reader.BlockCount() + 1;
    if (header.IndexSize / 8 != expectedEntries) {
      indexFault = Detail(&DetailTexts::strSIndexEntryCount,
                          {std::to_string(header.IndexSize / 8), std::to_string(reader.BlockCount()),
                           std::to_string(expectedEntries)});
    } else if (header.SectorsStored == 0) {
      // A whole frame without a block (what a create stopped before its
      // first block once left) is no image of anything.
      return Faulty(Detail(&DetailTexts::strSHoldsNoSectors, {std::to_string(reader.FileSize())}), 0);
    }
  }
  std::optional<BlockIndexCursor> index;
  if (indexFault.empty()) index.emplace(file, header.IndexOffset, header.IndexSize / 8);

  // The streams are read in order and inflated in groups on all cores; a
  // fault found while reading is reported only after the blocks before it
  // were checked, so the first fault in the file is the one named.
  PendingStreams pending(workers);
  auto faultAfterPending = [&](ImageVerification fault) {
    if (auto earlier = pending.Check()) return *earlier;
    return fault;
  };
  while (!reader.AtEnd()) {
    const std::int64_t block = reader.NextBlock();
    const std::int64_t offset = reader.NextBlockOffset();
    if (index) {
      auto entry = index->Next();
      if (!entry) return faultAfterPending(Faulty(entry.error().text, block));
      if (*entry != offset) {
        return faultAfterPending(
            Faulty(Detail(&DetailTexts::strSIndexOffsetWrong,
                          {std::to_string(block), std::to_string(*entry), std::to_string(offset)}),
                   block));
      }
    }
    if (!pending.Usable()) {
      if (auto decoded = reader.ReadBlock(); !decoded) return Faulty(decoded.error().text, block);
      continue;
    }
    auto stored = reader.ReadStoredBlock(pending.NextStream());
    if (!stored) return faultAfterPending(Faulty(stored.error().text, block));
    if (!stored->Inflated) pending.Add(block, offset, stored->RawSize);
    if (pending.Full()) {
      if (auto fault = pending.Check()) return *fault;
    }
  }
  if (auto fault = pending.Check()) return *fault;
  if (!indexFault.empty()) return Faulty(indexFault, reader.BlockCount());
  const std::int64_t end = reader.NextBlockOffset();
  auto last = index->Next();
  if (!last) return Faulty(last.error().text, reader.BlockCount());
  if (*last != end) {
    return Faulty(Detail(&DetailTexts::strSIndexLastEntry, {std::to_string(*last), std::to_string(end)}),
                  reader.BlockCount());
  }
  if (header.IndexOffset != end) {
    return Faulty(Detail(&DetailTexts::strSIndexNotAfterBlocks,
                         {std::to_string(header.IndexOffset), std::to_string(end)}),
                  reader.BlockCount());
  }
  ImageVerification result;
  result.Sound = true;
  result.BlocksChecked = reader.BlockCount();
  return result;
}

}  // namespace

ImageVerification VerifyImage(DeviceHandle& file, unsigned workers) {
  auto reader = ImageReader::Open(file);
  if (!reader) return Faulty(reader.error().text, 0);
  return reader->Format() == ImageFormat::Raw ? VerifyRaw(*reader) : VerifyHeaded(file, *reader, workers);
}

}  // namespace drivecopy
