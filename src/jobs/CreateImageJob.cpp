#include "jobs/CreateImageJob.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/BlockBatch.h"
#include "image/BlockRule.h"
#include "image/ImageFileNames.h"
#include "image/ImageWriter.h"
#include "image/ParallelBlockEncoder.h"
#include "jobs/BackgroundBatchWriter.h"
#include "jobs/BadSectorLines.h"
#include "jobs/BlockSource.h"
#include "jobs/DestinationChecks.h"
#include "jobs/DestinationGuard.h"
#include "jobs/JobReport.h"
#include "jobs/LogFileNames.h"
#include "jobs/PendingImageFile.h"
#include "jobs/ProgressPercent.h"
#include "jobs/SectorRanges.h"
#include "jobs/SourceGuard.h"
#include "jobs/TargetVolumeCheck.h"
#include "jobs/VerifyPass.h"
#include "platform/KindTags.h"
#include "platform/Units.h"
#include "text/CountInText.h"
#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"
#include "text/SizeText.h"

namespace drivecopy {

namespace {

// Output is gathered in memory and written once it holds more than this
// (500 blocks of 65,536 bytes): the block that passes it goes into that batch.
constexpr std::int64_t kFlushThreshold = 500 * BlockBytes;

// The size of the file at `path`; 0 when there is none, or it cannot be
// opened (another job writing it refuses the run at its claim anyway).
std::int64_t BytesOfFile(Platform& platform, const std::string& path) {
  auto file = platform.Open(path, OpenMode::Read);
  if (!file) return 0;
  auto size = (*file)->Size();
  return size ? *size : 0;
}

// Compressed forms of a run of consecutive blocks, made together so that all
// cores work; the job takes them one by one in block order.
struct EncodedRun {
  std::int64_t First = 0;
  std::vector<std::vector<std::byte>> Streams;
  bool Holds(std::int64_t index) const {
    return index >= First && index < First + static_cast<std::int64_t>(Streams.size());
  }
};

// One run of the create job; lives for one call of RunCreateImageJob.
class CreateImageRun {
 public:
  CreateImageRun(Platform& platform, const MessageTexts& texts, const CreateImageParameters& parameters,
                 OperationMemo& memo, JobObserver& observer)
      : platform_(platform),
        texts_(texts),
        parameters_(parameters),
        observer_(observer),
        report_(texts, memo, observer) {}

  JobOutcome Execute();

 private:
  std::string Size(std::int64_t bytes) const { return SizeText(bytes, parameters_.DecimalSeparator); }
  // The counts of what the run has done so far.
  JobOutcome SoFar() const;
  // Ends a run whose writing had begun: what was written of the image is
  // deleted (and the memo says so), and an image that was there before stays.
  JobOutcome FailWriting(const std::string& text);
  // A stop seen before the first block: no image at all, the old one as it was.
  JobOutcome StoppedBeforeTheFirstBlock();
  // The memo line that an image there before this run is still there, as it was.
  void SayExistingImageKept();
  bool ClaimTargets(JobOutcome& refusal);
  bool PrepareTarget(JobOutcome& refusal);
  Outcome<void> StoreBlock(std::int64_t index, const SourceBlock& block);
  Outcome<void> FlushBatch();
  void ReportProgress(bool flushed);
  void Verify(JobOutcome& outcome);
  void SaveLog();

  Platform& platform_;
  const MessageTexts& texts_;
  CreateImageParameters parameters_;
  JobObserver& observer_;
  JobReport report_;

  GuardedDestination logClaim_;
  GuardedSource sourceClaim_;  // held until the run ends, the verification's second read included
  // Declared before the file handle: the handle is closed before the
  // temporary file it writes may be deleted.
  std::optional<PendingImageFile> image_;
  std::unique_ptr<DeviceHandle> source_;
  std::unique_ptr<DeviceHandle> file_;
  std::optional<ImageWriter> writer_;
  std::optional<BlockBatch> batch_;
  // Declared after the writer and the batch: it is gone (its write ended)
  // before either is.
  std::optional<BackgroundBatchWriter> batchWriter_;
  std::optional<ParallelBlockEncoder> encoder_;
  std::unique_ptr<BlockSource> blocks_;
  EncodedRun encoded_;

  std::int64_t totalSectors_ = 0;
  std::int64_t currentSector_ = 0;
  std::int64_t bytesWritten_ = 0;
  SectorRanges unreadable_;  // source sectors stored as zeros
  BadSectorLines unreadableLines_{report_};
  bool imageExisted_ = false;  // a file of the image's name was there before the run
  bool logNotWritten_ = false;
};

JobOutcome CreateImageRun::SoFar() const {
  JobOutcome outcome;
  outcome.UnreadableSectors = unreadable_.SectorCount();
  outcome.SectorsDone = currentSector_ - parameters_.FirstSector;
  return outcome;
}

void CreateImageRun::SayExistingImageKept() {
  if (imageExisted_)
    report_.Line(FillPlaceholders(texts_.Checks.strSExistingImageKept, {parameters_.ImagePath}));
}

JobOutcome CreateImageRun::FailWriting(const std::string& text) {
  unreadableLines_.Close();
  batchWriter_.reset();
  blocks_.reset();
  source_.reset();
  file_.reset();
  if (image_->Discard()) {
    report_.Line(FillPlaceholders(texts_.Checks.strSUnfinishedImageDeleted, {parameters_.ImagePath, text}));
  }
  SayExistingImageKept();
  return report_.Fail(SoFar(), texts_.strSTitleERROR, text);
}

JobOutcome CreateImageRun::StoppedBeforeTheFirstBlock() {
  batchWriter_.reset();
  blocks_.reset();
  source_.reset();
  file_.reset();
  (void)image_->Discard();  // an empty file under the temporary name; the next create takes it over
  JobOutcome outcome = SoFar();
  outcome.Status = JobStatus::Stopped;
  report_.Line(FillPlaceholders(texts_.Checks.strSNothingCopied, {parameters_.ImagePath}));
  SayExistingImageKept();
  report_.Line(texts_.strSFileSizeLabel + Size(bytesWritten_));
  report_.Line(texts_.StrSUserAbort + std::to_string(currentSector_));
  SaveLog();
  outcome.LogNotWritten = logNotWritten_;
  return outcome;
}

// The log and both names of the image file (its own and the temporary one
// it is written under) are claimed before anything is written; the claims
// last until the run ends. Nothing is created when the log is refused.
bool CreateImageRun::ClaimTargets(JobOutcome& refusal) {
  if (parameters_.WriteLog) {
    logClaim_ = GuardDestination(platform_, texts_, CreateImageLogName(parameters_.ImagePath), SectorRange{},
                                 ClaimTarget::LogFile);
    if (!logClaim_) {
      refusal = report_.Refuse(texts_.strSTitleERROR, logClaim_.Refusal);
      return false;
    }
  }
  image_.emplace(platform_, texts_, parameters_.ImagePath);
  GuardedDestination imageRefusal;
  std::string refusedPath;
  if (!image_->Claim(imageRefusal, refusedPath)) {
    // A file that cannot be made at all gets the window's own message, with
    // the reason on a line of its own.
    const std::string text = imageRefusal.CouldNotOpen
                                 ? texts_.strSCannotopenfile + "\n" + refusedPath + ": " + imageRefusal.Cause
                                 : imageRefusal.Refusal;
    refusal = report_.Refuse(texts_.strSTitleERROR, text, imageRefusal.Refusal);
    return false;
  }
  return true;
}

// The two refusals that can be told before anything is written. The
// window's own message comes first, then the image's path and the sizes
// that decided it.
bool CreateImageRun::PrepareTarget(JobOutcome& refusal) {
  const std::int64_t rangeBytes = totalSectors_ * BytesPerSector;
  const FilesInTheWay inTheWay{BytesOfFile(platform_, UnfinishedImagePath(parameters_.ImagePath)),
                               BytesOfFile(platform_, parameters_.ImagePath)};
  const TargetVerdict verdict =
      CheckTargetVolume(platform_, parameters_.ImagePath, rangeBytes, parameters_.Raw, parameters_.Level,
                        parameters_.Virtual, inTheWay);
  const CountInText needed = BytesInText(texts_, rangeBytes, parameters_.DecimalSeparator);
  switch (verdict.Refusal) {
    case TargetRefusal::None:
      return true;
    case TargetRefusal::FileTooLargeForFat: {
      const std::string text = texts_.strSFSTOSMALL + "\n" +
                               FillPlaceholders(texts_.Checks.strSFatFileTooLargeDetail,
                                                {parameters_.ImagePath, needed.Count, needed.Size});
      refusal = report_.Refuse(texts_.strSFSTOSMALLTitle, text);
      return false;
    }
    case TargetRefusal::NotEnoughSpace: {
      const CountInText free = BytesInText(texts_, verdict.FreeBytes, parameters_.DecimalSeparator);
      std::string text =
          texts_.strSNotEnoughSpace + "\n" +
          FillPlaceholders(texts_.Checks.strSNotEnoughSpaceDetail,
                           {parameters_.ImagePath, needed.Count, needed.Size, free.Count, free.Size});
      if (verdict.ReplacedImageWouldMakeRoom) {
        const CountInText kept = BytesInText(texts_, inTheWay.ReplacedBytes, parameters_.DecimalSeparator);
        text += "\n" + FillPlaceholders(texts_.Checks.strSOldImageKeepsItsSpace,
                                        {parameters_.ImagePath, kept.Count, kept.Size});
      }
      refusal = report_.Refuse(texts_.strSNotEnoughSpaceTitle, text);
      return false;
    }
  }
  return true;
}

Outcome<void> CreateImageRun::StoreBlock(std::int64_t index, const SourceBlock& block) {
  if (parameters_.Raw) return batch_->AppendBlock(block.Bytes);

  if (!encoded_.Holds(index)) {
    // This block and the following ones already read with it are compressed
    // together; blocks that need a read of their own come one at a time.
    std::vector<std::span<const std::byte>> run{block.Bytes};
    for (std::int64_t next = index + 1;; ++next) {
      auto ahead = blocks_->ReadAhead(next);
      if (!ahead) break;
      run.push_back(*ahead);
    }
    encoded_.First = index;
    if (auto made = encoder_->Encode(run, encoded_.Streams); !made) {
      encoded_.Streams.clear();
      return made.error();
    }
  }
  const auto& stream = encoded_.Streams[static_cast<std::size_t>(index - encoded_.First)];
  return batch_->AppendEncodedBlock(stream, static_cast<std::int64_t>(block.Bytes.size()) / BytesPerSector);
}

// The batch goes to the writing thread, and an empty one comes back to be
// filled meanwhile. A write that failed shows at the next hand-over or at the
// end, and ends the job then.
Outcome<void> CreateImageRun::FlushBatch() {
  const auto size = static_cast<std::int64_t>(batch_->ByteSize());
  if (auto handed = batchWriter_->Hand(*batch_); !handed) return handed.error();
  bytesWritten_ += size;
  return {};
}

void CreateImageRun::ReportProgress(bool flushed) {
  JobProgress progress = JobReport::ProgressAt(totalSectors_, currentSector_ - parameters_.FirstSector);
  progress.BufferPercent =
      flushed ? 0 : ProgressPercent(kFlushThreshold, static_cast<std::int64_t>(batch_->ByteSize()));
  progress.FileSizeText = "< " + Size(kFlushThreshold + bytesWritten_);
  report_.Progress(progress);
}

// A headed image is checked by itself: every block must inflate, with its
// checksum, to its raw size, and the index must match the blocks. A raw
// image holds nothing to check it by, so it is compared with the source range
// read again, the sectors that could not be read with the zeros stored for
// them. A virtual run wrote no blocks and is not verified.
void CreateImageRun::Verify(JobOutcome& outcome) {
  const VerifyTally tally =
      parameters_.Raw ? VerifyCopiedRange(platform_, texts_, parameters_.DevicePath,
                                          SectorRange{parameters_.FirstSector, parameters_.EndSector},
                                          parameters_.ImagePath, 0, unreadable_, report_, observer_)
                      : VerifyWrittenImage(platform_, texts_, parameters_.ImagePath, report_, observer_);
  TakeVerification(outcome, tally);
}

void CreateImageRun::SaveLog() {
  if (!parameters_.WriteLog) return;
  if (!report_.SaveLog(platform_, CreateImageLogName(parameters_.ImagePath))) logNotWritten_ = true;
}

JobOutcome CreateImageRun::Execute() {
  JobOutcome outcome;
  if (parameters_.ImagePath.empty()) return outcome;  // nothing to write to: not started, no message

  // A logical drive is read through its own device, so its sectors count
  // from the start of the volume.
  if (parameters_.DeviceKind == KindFixedVolume || parameters_.DeviceKind == KindRemovableVolume) {
    parameters_.EndSector -= parameters_.FirstSector;
    parameters_.FirstSector = 0;
    parameters_.Header.FirstSector = 0;
    parameters_.Header.LastSector = parameters_.EndSector;
  }
  totalSectors_ = std::max<std::int64_t>(0, parameters_.EndSector - parameters_.FirstSector);
  currentSector_ = parameters_.FirstSector;

  // An image inside the range it is made of is refused before anything else
  // about its volume is asked.
  if (auto inside = ImageInsideSourceRefusal(platform_, texts_, parameters_.ImagePath, parameters_.DevicePath,
                                             SectorRange{parameters_.FirstSector, parameters_.EndSector})) {
    return report_.Refuse(texts_.strSTitleERROR, *inside);
  }
  if (!PrepareTarget(outcome)) return outcome;

  // The source is opened before the image file is touched, so that a source
  // that cannot be read never costs the user an existing image.
  auto opened = platform_.Open(parameters_.DevicePath, OpenMode::Read);
  if (!opened) {
    return report_.Fail(SoFar(), "",
                        FillPlaceholders(texts_.Checks.strSCannotOpenToRead,
                                         {parameters_.DevicePath, FailureCause(texts_, opened.error())}));
  }
  source_ = std::move(*opened);
  sourceClaim_ = GuardSource(platform_, texts_, parameters_.DevicePath,
                             SectorRange{parameters_.FirstSector, parameters_.EndSector});
  if (!sourceClaim_) return report_.Refuse(texts_.strSTitleERROR, sourceClaim_.Refusal);

  imageExisted_ = platform_.FileExists(parameters_.ImagePath);
  if (!ClaimTargets(outcome)) return outcome;
  if (imageExisted_) {
    if (!observer_.Confirm(JobQuestion::OverwriteImageFile,
                           FillPlaceholders(texts_.strSFileExist, {parameters_.ImagePath}))) {
      return outcome;
    }
    observer_.Pump();
  }
  // The image is written under its temporary name, which the claim holds:
  // emptied in place (a killed run's file too), never deleted first, since a
  // deleted name would let another job take it while this one writes.
  auto created = image_->OpenEmpty();
  if (!created) {
    const std::string text = texts_.strSCannotopenfile + "\n" + parameters_.ImagePath + ": " +
                             FailureCause(texts_, created.error());
    return report_.Refuse(texts_.strSTitleERROR, text);
  }
  file_ = std::move(*created);

  const ImageFormat format = parameters_.Raw ? ImageFormat::Raw : ImageFormat::Headed;
  auto started = ImageWriter::Start(*file_, format, parameters_.Header, parameters_.Virtual);
  if (!started) {
    return report_.Fail(SoFar(), texts_.strSTitleERROR, parameters_.ImagePath + ": " + started.error().text);
  }
  writer_.emplace(std::move(*started));
  // Two batches: one filled while the other is written. A batch is handed
  // over once it passes the threshold by at most one stored block (a
  // compressed block may come out a little larger than its 64 KiB), so its
  // memory is taken once and never moved.
  auto makeBatch = [this]() -> Outcome<BlockBatch> {
    auto batch = parameters_.Raw ? Outcome<BlockBatch>(BlockBatch::ForRawImage())
                                 : BlockBatch::ForHeadedImage(parameters_.Level);
    if (batch) batch->Reserve(static_cast<std::size_t>(kFlushThreshold + 2 * BlockBytes));
    return batch;
  };
  auto batch = makeBatch();
  auto spare = makeBatch();
  if (!batch || !spare) {
    return report_.Fail(SoFar(), texts_.strSTitleERROR, (batch ? spare : batch).error().text);
  }
  batch_.emplace(std::move(*batch));
  batchWriter_.emplace(*writer_, std::move(*spare));
  if (!parameters_.Raw) {
    auto encoder = ParallelBlockEncoder::Open(parameters_.Level, parameters_.CompressionThreads);
    if (!encoder) return report_.Fail(SoFar(), texts_.strSTitleERROR, encoder.error().text);
    encoder_.emplace(std::move(*encoder));
  }

  blocks_ = std::make_unique<BlockSource>(
      *source_, parameters_.FirstSector, parameters_.EndSector, [this] { observer_.Pump(); },
      [this] { return observer_.StopRequested(); });
  bool stopped = false;
  for (std::int64_t index = 0; index < blocks_->BlockCount(); ++index) {
    if (observer_.StopRequested()) {
      stopped = true;
      break;
    }
    observer_.Pump();
    const SourceBlock& block = blocks_->ReadBlock(index);
    if (auto lost = blocks_->SourceLost()) {
      return FailWriting(
          FillPlaceholders(texts_.Checks.strSSourceLost,
                           {parameters_.DevicePath, std::to_string(currentSector_), lost->text}));
    }
    if (block.Stopped) {
      // Stopped while the block was read piece by piece: it is left out.
      stopped = true;
      break;
    }
    unreadable_.Add(block.Unreadable);
    unreadableLines_.Take(block.Unreadable, blocks_->FirstSectorOf(index + 1));
    if (auto stored = StoreBlock(index, block); !stored) {
      // A block left out would shift every later sector of the image.
      return FailWriting(FillPlaceholders(texts_.Details.strSCannotCompress,
                                          {std::to_string(currentSector_), stored.error().text}));
    }
    currentSector_ = blocks_->FirstSectorOf(index + 1);

    const bool flush = static_cast<std::int64_t>(batch_->ByteSize()) > kFlushThreshold;
    if (flush) {
      if (auto flushed = FlushBatch(); !flushed) {
        return FailWriting(parameters_.ImagePath + ": " + flushed.error().text);
      }
    }
    ReportProgress(flush);
    observer_.Pump();
  }

  unreadableLines_.Close();
  if (!batch_->Empty()) {
    if (auto flushed = FlushBatch(); !flushed) {
      return FailWriting(parameters_.ImagePath + ": " + flushed.error().text);
    }
  }
  if (stopped && currentSector_ == parameters_.FirstSector) return StoppedBeforeTheFirstBlock();
  if (auto written = batchWriter_->Wait(); !written) {
    return FailWriting(parameters_.ImagePath + ": " + written.error().text);
  }
  batchWriter_.reset();
  if (auto finished = writer_->Finish(); !finished) {
    return FailWriting(parameters_.ImagePath + ": " + finished.error().text);
  }
  blocks_.reset();
  source_.reset();
  file_.reset();

  outcome = SoFar();
  const std::string fileSizeLine = texts_.strSFileSizeLabel + Size(bytesWritten_);
  if (stopped) {
    outcome.Status = JobStatus::Stopped;
    if (observer_.Confirm(JobQuestion::DeleteImageAfterStop, texts_.StrSDeleteImage)) {
      if (auto deleted = image_->Discard()) {
        report_.Line(texts_.StrSDeleteImageText);
        SayExistingImageKept();
      } else {
        observer_.ShowError(texts_.strSTitleERROR,
                            image_->TemporaryPath() + ": " + FailureCause(texts_, deleted.error()));
      }
    } else {
      // Kept: complete up to the stop. A headed image says so in its header,
      // a raw one through the note written beside it.
      std::optional<StoppedImageNote> note;
      if (parameters_.Raw && !parameters_.Virtual)
        note = StoppedImageNote{currentSector_ - parameters_.FirstSector, totalSectors_};
      if (auto named = image_->TakeImageName(note); !named) {
        return FailWriting(parameters_.ImagePath + ": " + named.error().text);
      }
    }
    report_.Line(fileSizeLine);
    report_.Line(texts_.StrSUserAbort + std::to_string(currentSector_));
  } else {
    if (auto named = image_->TakeImageName(std::nullopt); !named) {
      return FailWriting(parameters_.ImagePath + ": " + named.error().text);
    }
    outcome.Status = unreadable_.Empty() ? JobStatus::Finished : JobStatus::FinishedWithProblems;
    report_.Line(fileSizeLine);
    report_.Line(texts_.StrSReady);
    if (parameters_.Verify && !parameters_.Virtual) Verify(outcome);
  }
  SaveLog();
  outcome.LogNotWritten = logNotWritten_;
  return outcome;
}

}  // namespace

JobOutcome RunCreateImageJob(Platform& platform, const MessageTexts& texts,
                             const CreateImageParameters& parameters, OperationMemo& memo,
                             JobObserver& observer) {
  return CreateImageRun(platform, texts, parameters, memo, observer).Execute();
}

}  // namespace drivecopy
