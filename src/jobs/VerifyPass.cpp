#include "jobs/VerifyPass.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "image/BlockRule.h"
#include "image/ImageReader.h"
#include "image/ImageVerifier.h"
#include "image/ParallelImageDecoder.h"
#include "jobs/BlockSource.h"
#include "jobs/MismatchRanges.h"
#include "platform/AlignedBuffer.h"
#include "platform/Units.h"
#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"
#include "text/GroupedNumber.h"

namespace drivecopy {

namespace {

// What is compared at once: the decoder's runs, and as many sectors of a
// copied range, so that the device is read back in requests of up to 2 MiB.
constexpr std::size_t kPieceBytes = ParallelImageDecoder::RunBytes;

bool IsGone(DeviceHandle& device, const Failure& error) {
  return error.kind == FailureKind::DeviceGone || !device.StillPresent();
}

// Reads back what was written from `firstSector` on and compares it, sector
// by sector, with what it should hold. A piece is read in one request; where
// that fails or comes back short, the sectors it did not deliver are read one
// at a time, and a sector that cannot be read is named as unreadable. Only a
// device that went away ends the comparison (the error).
class ReadBack {
 public:
  ReadBack(DeviceHandle& device, std::int64_t firstSector, MismatchRanges& ranges)
      : device_(device), first_(firstSector), ranges_(ranges) {}

  // `expected` holds whole sectors; `offset` counts from `firstSector`.
  Outcome<void> Compare(std::int64_t offset, std::span<const std::byte> expected) {
    const std::size_t sectors = expected.size() / BytesPerSector;
    if (buffer_.size() < expected.size()) {
      buffer_ =
          AlignedBuffer::TryAllocate(std::max(expected.size(), kPieceBytes), device_.PreferredAlignment());
      if (!buffer_) return Failure::Because("out of memory");
    }
    const std::int64_t sector = first_ + offset;
    std::size_t whole = 0;
    if (auto got = ReadAt(sector, buffer_.Span().first(expected.size())); got) {
      whole = *got / BytesPerSector;
    } else if (IsGone(device_, got.error())) {
      return got.error();
    }
    for (std::size_t s = 0; s < sectors; ++s) {
      const auto at = s * BytesPerSector;
      const std::span<std::byte> into = buffer_.Span().subspan(at, BytesPerSector);
      if (s >= whole) {
        auto one = ReadAt(sector + static_cast<std::int64_t>(s), into);
        if (!one) {
          if (IsGone(device_, one.error())) return one.error();
          ranges_.Unreadable(sector + static_cast<std::int64_t>(s), one.error());
          continue;
        }
        // A sector beyond the end of what was written holds nothing of it.
        if (*one < static_cast<std::size_t>(BytesPerSector)) {
          ranges_.Differs(sector + static_cast<std::int64_t>(s));
          continue;
        }
      }
      if (std::memcmp(into.data(), expected.data() + at, BytesPerSector) != 0) {
        ranges_.Differs(sector + static_cast<std::int64_t>(s));
      }
    }
    return {};
  }

 private:
  // Fills `into` from `sector` on as far as it can be read; the count read.
  Outcome<std::size_t> ReadAt(std::int64_t sector, std::span<std::byte> into) {
    if (auto sought = device_.Seek(sector * BytesPerSector); !sought) return sought.error();
    std::size_t done = 0;
    while (done < into.size()) {
      auto got = device_.Read(into.subspan(done));
      if (!got) {
        if (done == 0) return got.error();
        break;  // what came is used; the rest is read sector by sector
      }
      if (*got == 0) break;
      done += *got;
    }
    return done;
  }

  DeviceHandle& device_;
  std::int64_t first_;
  MismatchRanges& ranges_;
  AlignedBuffer buffer_;
};

// Tells how a pass ends, one line each.
class PassEnd {
 public:
  PassEnd(const MessageTexts& texts, JobReport& report) : texts_(texts), report_(report) {}

  std::string Grouped(std::int64_t count) const {
    return GroupedNumber(count, texts_.Checks.strSThousandsSeparator);
  }

  VerifyTally Compared(MismatchRanges& ranges, std::int64_t sectors, const std::string& readBack,
                       const std::string& reference) const {
    ranges.Close();
    VerifyTally tally;
    tally.DifferingSectors = ranges.Count();
    if (ranges.Count() == 0) {
      report_.Line(FillPlaceholders(texts_.Checks.strSVerifyPassed, {Grouped(sectors), readBack, reference}));
      tally.Result = VerifyResult::Passed;
    } else {
      report_.Line(
          FillPlaceholders(texts_.Checks.strSVerifyFailed, {Grouped(ranges.Count()), Grouped(sectors)}));
      tally.Result = VerifyResult::Differs;
    }
    return tally;
  }

  VerifyTally Stopped(MismatchRanges* ranges, std::int64_t sector) const {
    VerifyTally tally;
    tally.Result = VerifyResult::Stopped;
    if (ranges != nullptr) {
      ranges->Close();
      tally.DifferingSectors = ranges->Count();
    }
    report_.Line(FillPlaceholders(texts_.Checks.strSVerifyStopped, {std::to_string(sector)}));
    return tally;
  }

  VerifyTally NotPossible(MismatchRanges* ranges, const std::string& path, const std::string& cause) const {
    VerifyTally tally;
    tally.Result = VerifyResult::NotPossible;
    if (ranges != nullptr) {
      ranges->Close();
      tally.DifferingSectors = ranges->Count();
    }
    tally.Problem = FillPlaceholders(texts_.Checks.strSVerifyNotPossible, {path, cause});
    report_.Line(tally.Problem);
    return tally;
  }
  VerifyTally NotPossible(MismatchRanges* ranges, const std::string& path, const Failure& error) const {
    return NotPossible(ranges, path, FailureCause(texts_, error));
  }

 private:
  const MessageTexts& texts_;
  JobReport& report_;
};

// The image file as VerifyImage reads it. The check reads a block's 8-byte
// length and then its stream, small reads that past the cache would each be a
// transfer of their own; so the file is read in aligned pieces of kPieceBytes
// and the check's reads are served from the piece in hand. Tells the progress
// of the pass by the bytes read, and fails every read once a stop is asked
// for, which ends the check at the block in hand.
class WatchedFile final : public DeviceHandle {
 public:
  WatchedFile(DeviceHandle& file, std::int64_t size, JobReport& report, JobObserver& observer)
      : file_(file), size_(size), report_(report), observer_(observer) {}

  bool StopSeen() const { return stopSeen_; }

  Outcome<void> Seek(std::int64_t offset) override {
    if (offset < 0) return Failure::Because("negative offset");
    position_ = offset;
    return {};
  }
  Outcome<std::size_t> Read(std::span<std::byte> buffer) override {
    if (stopSeen_ || observer_.StopRequested()) {
      stopSeen_ = true;
      return Failure::Because("stopped");
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
      if (position_ < pieceStart_ || position_ >= pieceStart_ + static_cast<std::int64_t>(pieceBytes_)) {
        auto filled = FillPieceAt(position_);
        if (!filled) {
          if (done > 0) break;
          return filled.error();
        }
        if (pieceBytes_ == 0 || position_ >= pieceStart_ + static_cast<std::int64_t>(pieceBytes_)) break;
      }
      const auto from = static_cast<std::size_t>(position_ - pieceStart_);
      const std::size_t count = std::min(pieceBytes_ - from, buffer.size() - done);
      std::memcpy(buffer.data() + done, piece_.data() + from, count);
      done += count;
      position_ += static_cast<std::int64_t>(count);
    }
    return done;
  }
  Outcome<std::size_t> Write(std::span<const std::byte>) override {
    return Failure::Because("read only", FailureKind::ReadOnly);
  }
  Outcome<void> Flush() override { return {}; }
  Outcome<std::int64_t> Size() override { return file_.Size(); }
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return file_.QueryPartitionInfo(); }
  std::optional<DISK_GEOMETRY> QueryGeometry() override { return file_.QueryGeometry(); }
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return file_.QueryLayout(); }
  std::size_t PreferredAlignment() const override { return file_.PreferredAlignment(); }
  bool StillPresent() override { return file_.StillPresent(); }

 private:
  // Reads the piece that holds `offset`, from a multiple of the alignment on.
  Outcome<void> FillPieceAt(std::int64_t offset) {
    const auto alignment = static_cast<std::int64_t>(std::max<std::size_t>(file_.PreferredAlignment(), 1));
    if (piece_.size() == 0) {
      piece_ = AlignedBuffer::TryAllocate(kPieceBytes, static_cast<std::size_t>(alignment));
      if (!piece_) return Failure::Because("out of memory");
    }
    pieceStart_ = offset / alignment * alignment;
    pieceBytes_ = 0;
    if (auto sought = file_.Seek(pieceStart_); !sought) return sought;
    while (pieceBytes_ < piece_.size()) {
      auto got = file_.Read(piece_.Span().subspan(pieceBytes_));
      if (!got) return got.error();
      if (*got == 0) break;
      pieceBytes_ += *got;
    }
    read_ += static_cast<std::int64_t>(pieceBytes_);
    const std::int64_t total = (size_ + BytesPerSector - 1) / BytesPerSector;
    report_.Progress(total, std::min(total, read_ / BytesPerSector));
    observer_.Pump();
    return {};
  }

  DeviceHandle& file_;
  std::int64_t size_;
  JobReport& report_;
  JobObserver& observer_;
  AlignedBuffer piece_;
  std::int64_t pieceStart_ = 0;
  std::size_t pieceBytes_ = 0;
  std::int64_t position_ = 0;
  std::int64_t read_ = 0;
  bool stopSeen_ = false;
};

}  // namespace

VerifyTally VerifyRestoredImage(Platform& platform, const MessageTexts& texts, const std::string& imagePath,
                                const std::string& destinationPath, std::int64_t destinationFirst,
                                JobReport& report, JobObserver& observer) {
  const PassEnd end(texts, report);
  report.Line(FillPlaceholders(texts.Checks.strSVerifyStart, {destinationPath, imagePath}));
  auto image = platform.Open(imagePath, OpenMode::Read);
  if (!image) return end.NotPossible(nullptr, imagePath, image.error());
  auto reader = ImageReader::Open(**image);
  if (!reader) return end.NotPossible(nullptr, imagePath, reader.error().text);
  auto destination = platform.Open(destinationPath, OpenMode::ReadUncached);
  if (!destination) return end.NotPossible(nullptr, destinationPath, destination.error());

  const std::int64_t total = reader->SectorCount();
  const std::int64_t blockCount = reader->BlockCount();
  report.Progress(total, 0);
  MismatchRanges ranges(texts, destinationPath, imagePath, report);
  ReadBack readBack(**destination, destinationFirst, ranges);
  ParallelImageDecoder decoder(**image, *reader, (*destination)->PreferredAlignment(), 0);
  std::int64_t block = 0;
  while (block < blockCount) {
    if (observer.StopRequested()) {
      return end.Stopped(&ranges, destinationFirst + BlockFirstSector(total, block));
    }
    const ParallelImageDecoder::Run& run = decoder.Next();
    if (run.Blocks > 0) {
      if (auto compared = readBack.Compare(run.FirstSector, run.Bytes); !compared) {
        return end.NotPossible(&ranges, destinationPath, compared.error());
      }
    }
    // The job decoded the same image a moment ago; a block that fails now
    // leaves nothing to compare with.
    if (run.Damage) return end.NotPossible(&ranges, imagePath, run.Damage->text);
    block = run.FirstBlock + run.Blocks;
    report.Progress(total, BlockFirstSector(total, block));
    observer.Pump();
  }
  return end.Compared(ranges, total, destinationPath, imagePath);
}

VerifyTally VerifyCopiedRange(Platform& platform, const MessageTexts& texts, const std::string& sourcePath,
                              SectorRange source, const std::string& writtenPath, std::int64_t writtenFirst,
                              const SectorRanges& zeroedSectors, JobReport& report, JobObserver& observer) {
  const PassEnd end(texts, report);
  report.Line(FillPlaceholders(texts.Checks.strSVerifyStart, {writtenPath, sourcePath}));
  auto written = platform.Open(writtenPath, OpenMode::ReadUncached);
  if (!written) return end.NotPossible(nullptr, writtenPath, written.error());
  auto sourceDevice = platform.Open(sourcePath, OpenMode::Read);
  if (!sourceDevice) return end.NotPossible(nullptr, sourcePath, sourceDevice.error());

  const std::int64_t total = source.SectorCount();
  report.Progress(total, 0);
  MismatchRanges ranges(texts, writtenPath, sourcePath, report);
  ReadBack readBack(**written, writtenFirst, ranges);
  BlockSource blocks(
      **sourceDevice, source.FirstSector, source.EndSector, [&observer] { observer.Pump(); },
      [&observer] { return observer.StopRequested(); });
  auto zeroed = std::lower_bound(
      zeroedSectors.begin(), zeroedSectors.end(), source.FirstSector,
      [](const SectorRange& range, std::int64_t sector) { return range.EndSector <= sector; });

  // The source's blocks are gathered into pieces, each read back in one request.
  std::vector<std::byte> expected;
  expected.reserve(kPieceBytes);
  std::int64_t pieceFirst = 0;  // counted from the start of the range
  for (std::int64_t index = 0; index < blocks.BlockCount(); ++index) {
    if (expected.empty() && observer.StopRequested()) return end.Stopped(&ranges, writtenFirst + pieceFirst);
    const SourceBlock& block = blocks.ReadBlock(index);
    if (auto lost = blocks.SourceLost()) return end.NotPossible(&ranges, sourcePath, *lost);
    // Stopped while the block was read piece by piece: the piece in hand is not compared.
    if (block.Stopped) return end.Stopped(&ranges, writtenFirst + pieceFirst);
    const std::int64_t blockFirst = blocks.FirstSectorOf(index);
    const std::int64_t blockEnd = blocks.FirstSectorOf(index + 1);
    const std::size_t blockAt = expected.size();
    expected.insert(expected.end(), block.Bytes.begin(), block.Bytes.end());
    // What the job wrote for the sectors it could not read.
    for (; zeroed != zeroedSectors.end() && zeroed->FirstSector < blockEnd; ++zeroed) {
      const std::int64_t from = std::max(zeroed->FirstSector, blockFirst);
      const std::int64_t to = std::min(zeroed->EndSector, blockEnd);
      const auto at = blockAt + static_cast<std::size_t>((from - blockFirst) * BytesPerSector);
      std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(at), (to - from) * BytesPerSector,
                  std::byte{0});
      if (zeroed->EndSector > blockEnd) break;  // it goes on into the next block
    }
    if (expected.size() < kPieceBytes && index + 1 < blocks.BlockCount()) continue;
    if (auto compared = readBack.Compare(pieceFirst, expected); !compared) {
      return end.NotPossible(&ranges, writtenPath, compared.error());
    }
    pieceFirst += static_cast<std::int64_t>(expected.size()) / BytesPerSector;
    expected.clear();
    report.Progress(total, pieceFirst);
    observer.Pump();
  }
  return end.Compared(ranges, total, writtenPath, sourcePath);
}

VerifyTally VerifyWrittenImage(Platform& platform, const MessageTexts& texts, const std::string& imagePath,
                               JobReport& report, JobObserver& observer) {
  const PassEnd end(texts, report);
  report.Line(FillPlaceholders(texts.Checks.strSVerifyImageStart, {imagePath}));
  auto file = platform.Open(imagePath, OpenMode::ReadUncached);
  if (!file) return end.NotPossible(nullptr, imagePath, file.error());
  auto size = (*file)->Size();
  if (!size) return end.NotPossible(nullptr, imagePath, size.error());
  report.Progress((*size + BytesPerSector - 1) / BytesPerSector, 0);
  WatchedFile watched(**file, *size, report, observer);
  // The image's own sector count, to say where a stop left the check; its
  // header is read from the piece the check then reads it from again.
  std::int64_t sectors = 0;
  if (auto reader = ImageReader::Open(watched)) sectors = reader->SectorCount();
  const ImageVerification checked = VerifyImage(watched);
  const std::int64_t sectorsChecked = BlockFirstSector(sectors, checked.BlocksChecked);
  if (watched.StopSeen()) return end.Stopped(nullptr, sectorsChecked);
  VerifyTally tally;
  if (checked.Sound) {
    report.Line(
        FillPlaceholders(texts.Checks.strSVerifyImageSound, {end.Grouped(checked.BlocksChecked), imagePath}));
    tally.Result = VerifyResult::Passed;
  } else {
    report.Line(FillPlaceholders(texts.Checks.strSVerifyImageDamaged, {imagePath, checked.Fault}));
    tally.Result = VerifyResult::Differs;
    // What a restore of it could not bring back.
    tally.DifferingSectors = std::max<std::int64_t>(1, sectors - sectorsChecked);
  }
  return tally;
}

void TakeVerification(JobOutcome& outcome, const VerifyTally& tally) {
  outcome.Verification = tally.Result;
  outcome.DifferingSectors = tally.DifferingSectors;
  if (tally.Result == VerifyResult::NotPossible) outcome.ErrorText = tally.Problem;
}

}  // namespace drivecopy
