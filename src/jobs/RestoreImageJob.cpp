#include "jobs/RestoreImageJob.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/BlockRule.h"
#include "image/ImageCompleteness.h"
#include "image/ImageFileNames.h"
#include "image/ImageReader.h"
#include "image/ParallelImageDecoder.h"
#include "jobs/AfterWritingNotes.h"
#include "jobs/BadSectorLines.h"
#include "jobs/BlockRunWriter.h"
#include "jobs/DestinationChecks.h"
#include "jobs/DestinationGuard.h"
#include "jobs/DestinationTooSmallText.h"
#include "jobs/JobReport.h"
#include "jobs/OverwriteQuestion.h"
#include "jobs/SectorSizeRefusal.h"
#include "jobs/SourceGuard.h"
#include "jobs/VerifyPass.h"
#include "platform/SectorRange.h"
#include "platform/Units.h"
#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"
#include "text/GroupedNumber.h"

namespace drivecopy {

JobOutcome RunRestoreImageJob(Platform& platform, const MessageTexts& texts,
                              const RestoreImageParameters& parameters, OperationMemo& memo,
                              JobObserver& observer) {
  JobReport report(texts, memo, observer);
  JobOutcome outcome;
  if (!observer.Confirm(JobQuestion::OverwriteDestination,
                        OverwriteQuestion(texts, parameters.Description))) {
    return outcome;
  }

  auto imageFile = platform.Open(parameters.ImagePath, OpenMode::Read);
  if (!imageFile) {
    return report.Fail(outcome, "",
                       FillPlaceholders(texts.Checks.strSCannotOpenToRead,
                                        {parameters.ImagePath, FailureCause(texts, imageFile.error())}));
  }
  // The image is read whole: a job of ours that writes it, under any name,
  // refuses the restore, and no job is let write it while this one reads.
  GuardedSource imageClaim = GuardSource(platform, texts, parameters.ImagePath, SectorRange{0, INT64_MAX});
  if (!imageClaim) return report.Refuse(texts.strSTitleERROR, imageClaim.Refusal);
  auto reader = ImageReader::Open(**imageFile);
  if (!reader) {
    return report.Fail(
        outcome, texts.strSTitleERROR,
        FillPlaceholders(texts.Details.strSCannotRestoreImage, {parameters.ImagePath, reader.error().text}));
  }

  // Refusals come before the destination is opened: nothing is touched. An
  // image that holds nothing, or whose writing never finished, would pass
  // for a restore that did its work.
  if (IsUnfinishedImage(*reader)) {
    return report.Refuse(texts.strSTitleERROR,
                         FillPlaceholders(texts.Checks.strSImageUnfinished, {parameters.ImagePath}));
  }
  // A raw image tells nothing by itself; under a create's temporary name it
  // is what a killed create left.
  if (IsUnfinishedImagePath(parameters.ImagePath)) {
    return report.Refuse(texts.strSTitleERROR,
                         FillPlaceholders(texts.Details.strSCannotRestoreImage,
                                          {parameters.ImagePath, texts.Details.strSLeftoverNeverFinished}));
  }
  const std::int64_t totalSectors = reader->SectorCount();
  if (totalSectors <= 0) {
    return report.Refuse(texts.strSTitleERROR,
                         FillPlaceholders(texts.Checks.strSImageEmpty, {parameters.ImagePath}));
  }
  const SectorRange destinationRange{parameters.FirstSector, parameters.EndSector};
  if (destinationRange.SectorCount() < totalSectors) {
    return report.Refuse(
        texts.strSPARTIONTOSMALLTitle,
        DestinationTooSmallText(texts, parameters.ImagePath, totalSectors, parameters.DevicePath,
                                destinationRange, parameters.DecimalSeparator));
  }
  if (auto refusal = FileInRangeRefusal(platform, texts, parameters.ImagePath, parameters.DevicePath,
                                        destinationRange)) {
    return report.Refuse(texts.strSTitleERROR, *refusal);
  }
  GuardedDestination guarded =
      GuardDestination(platform, texts, parameters.DevicePath, destinationRange, ClaimTarget::Destination);
  if (!guarded) return report.Refuse(texts.strSTitleERROR, guarded.Refusal);
  // Only looked at, never written, while the claim holds the destination.
  if (auto refusal = RestoreSectorSizeRefusal(platform, texts, parameters)) {
    return report.Refuse(texts.strSTitleERROR, *refusal);
  }

  auto destination = platform.Open(parameters.DevicePath, OpenMode::ReadWrite);
  if (!destination) {
    return report.Fail(outcome, "",
                       FillPlaceholders(texts.Checks.strSCannotClaim,
                                        {parameters.DevicePath, FailureCause(texts, destination.error())}));
  }
  DeviceHandle& device = **destination;

  const std::optional<EarlyStop> earlyStop = FindEarlyStop(platform, parameters.ImagePath, *reader);
  if (earlyStop) report.Line(StoppedEarlyLine(texts, parameters.ImagePath, *earlyStop));
  report.Line(texts.Details.strSStarting);
  std::string damage;
  WriteReport written;  // what writing left undone: sectors named, and a failure that ended it
  bool stopped = false;
  {
    // Blocks are read and inflated ahead on threads of their own; this thread
    // writes them, reports and pumps. On a device written with direct I/O
    // consecutive blocks go out in one request (each request is a synchronous
    // transfer there); elsewhere the system merges writes itself and every
    // block is its own request.
    ParallelImageDecoder decoder(**imageFile, *reader, device.PreferredAlignment(), 0);
    const std::size_t requestLimit = device.PreferredAlignment() > 1 ? ParallelImageDecoder::RunBytes : 0;
    BlockRunWriter writer(device, parameters.FirstSector, requestLimit);
    // Names the sectors a write could not store; false once writing must end.
    BadSectorLines unwritableLines(report);
    auto take = [&](const WriteReport& lastWrite) {
      unwritableLines.Take(lastWrite.Unwritable, lastWrite.CoveredEnd);
      outcome.UnwritableSectors += lastWrite.Unwritable.SectorCount();
      written.Take(lastWrite);
      return !written.Stopped();
    };

    // The stop flag is tested before every block; the block in progress is
    // always finished and written, nothing after it. Blocks gathered for one
    // request are written before the run that holds them is let go, before a
    // damaged block is reported, and at the end.
    const ParallelImageDecoder::Run* run = nullptr;
    std::int64_t block = 0;
    const std::int64_t blockCount = reader->BlockCount();
    while (block < blockCount) {
      if (observer.StopRequested()) {
        stopped = true;
        break;
      }
      if (run == nullptr || block == run->FirstBlock + run->Blocks) {
        if (run != nullptr && run->Damage) {
          damage = run->Damage->text;
          break;
        }
        if (!take(writer.Write())) break;
        run = &decoder.Next();
        if (run->Blocks == 0 && run->Damage) {
          damage = run->Damage->text;
          break;
        }
      }
      // Image sector k always goes to destination sector FirstSector + k.
      const std::int64_t imageSector = BlockFirstSector(totalSectors, block);
      const auto offset = static_cast<std::size_t>((imageSector - run->FirstSector) * BytesPerSector);
      const auto bytes = static_cast<std::size_t>(BlockRawSize(totalSectors, block));
      if (!take(writer.Add(imageSector, run->Bytes.subspan(offset, bytes)))) break;
      ++block;
      outcome.SectorsDone = BlockFirstSector(totalSectors, block);
      if (block == blockCount) break;  // no progress update after the last chunk
      report.Progress(totalSectors, outcome.SectorsDone);
      observer.Pump();
    }
    if (!written.Stopped()) take(writer.Write());
    unwritableLines.Close();
  }

  // What was written is brought to stable storage whatever ends the run, so
  // that a stopped or broken-off restore leaves exactly what it reports; then
  // the system is made to show it.
  auto flushed = device.Flush();
  destination->reset();
  const std::string flushFailure =
      flushed ? "" : FillPlaceholders(texts.Details.strSNotFlushedEither, {flushed.error().text});
  AddAfterWritingNotes(texts, parameters.DevicePath, guarded.Claim->AfterWriting(), report);
  if (written.Stopped()) {
    outcome.SectorsDone = std::min(outcome.SectorsDone, written.StopSector);
    const std::string text =
        FillPlaceholders(texts.Checks.strSWriteEnded,
                         {parameters.DevicePath, std::to_string(parameters.FirstSector + written.StopSector),
                          written.Stop->text});
    return report.Fail(outcome, texts.strSTitleERROR, text + flushFailure);
  }
  if (!damage.empty()) {
    const std::string text = FillPlaceholders(
        texts.Checks.strSImageDamaged, {parameters.ImagePath, damage, std::to_string(outcome.SectorsDone)});
    return report.Fail(outcome, texts.strSTitleERROR, text + flushFailure);
  }
  if (!flushed) {
    return report.Fail(
        outcome, texts.strSTitleERROR,
        FillPlaceholders(texts.Details.strSNotFlushed, {parameters.DevicePath, flushed.error().text}));
  }
  if (stopped) {
    outcome.Status = JobStatus::Stopped;
    return outcome;
  }
  outcome.Status = outcome.UnwritableSectors > 0 ? JobStatus::FinishedWithProblems : JobStatus::Finished;
  if (parameters.Verify) {
    TakeVerification(outcome,
                     VerifyRestoredImage(platform, texts, parameters.ImagePath, parameters.DevicePath,
                                         parameters.FirstSector, report, observer));
    // The pass compares what the image holds; that this is less than its
    // source had must not pass unsaid under "Verification passed".
    if (earlyStop) {
      const std::string& separator = texts.Checks.strSThousandsSeparator;
      report.Line(FillPlaceholders(texts.Checks.strSRestoredShorterThanSource,
                                   {GroupedNumber(earlyStop->SectorsHeld, separator),
                                    GroupedNumber(earlyStop->SectorsOfSource, separator)}));
    }
  }
  return outcome;
}

}  // namespace drivecopy
