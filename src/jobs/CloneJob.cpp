#include "jobs/CloneJob.h"

#include <optional>
#include <span>
#include <string>

#include "platform/SectorRange.h"
#include "platform/Units.h"
#include "jobs/BlockSource.h"
#include "jobs/AfterWritingNotes.h"
#include "jobs/DestinationChecks.h"
#include "jobs/DestinationGuard.h"
#include "jobs/DestinationTooSmallText.h"
#include "jobs/GatheringWriter.h"
#include "jobs/JobMemoLine.h"
#include "jobs/LogFileNames.h"
#include "jobs/OperationLog.h"
#include "jobs/OverwriteQuestion.h"
#include "text/FillPlaceholders.h"
#include "jobs/JobEnd.h"
#include "jobs/ProgressPercent.h"
#include "text/FailureCause.h"

namespace drivecopy {

namespace {

SectorRange RangeOf(const CloneEndpoint& endpoint) { return {endpoint.FirstSector, endpoint.EndSector}; }

JobProgress CloneProgress(std::int64_t total, std::int64_t done, std::int64_t bytesRemaining) {
  JobProgress progress;
  progress.MainPercent = ProgressPercent(total, done);
  progress.BytesRemaining = bytesRemaining;
  progress.BytesDone = done * BytesPerSector;
  progress.BytesTotal = total * BytesPerSector;
  return progress;
}

// The closing step of every run that started copying, stopped and failed
// ones included: the destination is flushed and the system made to show it;
// only a copy that neither failed nor failed to flush earns the closing
// line. Then the memo is saved as the log when asked.
JobOutcome CloseRun(Platform& platform, const MessageTexts& texts, const CloneParameters& parameters,
                    const std::string& logName, OperationMemo& memo, JobObserver& observer,
                    std::unique_ptr<DeviceHandle> destination, WriteClaim& claim, JobOutcome outcome,
                    const std::optional<std::string>& failure) {
  auto flushed = destination->Flush();
  destination.reset();
  AddAfterWritingNotes(texts, parameters.Destination.DevicePath, claim.AfterWriting(), memo, observer);
  if (failure) {
    AddMemoLine(memo, observer, *failure);
    outcome = EndWith(outcome, JobStatus::Failed, observer, texts.strSTitleERROR, *failure);
  }
  if (!flushed) {
    const std::string text = "The data written to " + parameters.Destination.DevicePath +
                             " could not be brought to stable storage: " + flushed.error().text;
    AddMemoLine(memo, observer, text);
    outcome = EndWith(outcome, JobStatus::Failed, observer, texts.strSTitleERROR, text);
  } else if (!failure) {
    AddMemoLine(memo, observer, texts.StrSInitCloneDriveNew);
  }
  if (parameters.WriteLog) {
    if (auto saved = WriteOperationLog(platform, logName, memo.Lines()); !saved) {
      // The copy itself is done; the log's failure is reported beside its result.
      observer.ShowError(texts.strSTitleERROR, saved.error().text);
      outcome.ErrorText += (outcome.ErrorText.empty() ? "" : " ") + saved.error().text;
      outcome.LogNotWritten = true;
    }
  }
  return outcome;
}

}  // namespace

JobOutcome RunCloneJob(Platform& platform, const MessageTexts& texts, const CloneParameters& parameters,
                       OperationMemo& memo, JobObserver& observer) {
  JobOutcome outcome;
  if (!observer.Confirm(JobQuestion::OverwriteDestination,
                        OverwriteQuestion(texts, parameters.DestinationDescription))) {
    return outcome;
  }

  const SectorRange source = RangeOf(parameters.Source);
  const SectorRange target = RangeOf(parameters.Destination);
  if (target.SectorCount() < source.SectorCount()) {
    return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSPARTIONTOSMALLTitle,
                   DestinationTooSmallText(texts, parameters.Source.DevicePath, source.SectorCount(),
                                           parameters.Destination.DevicePath, target, parameters.DecimalSeparator));
  }
  if (auto refusal = OverlappingRangesRefusal(platform, texts, parameters.Source.DevicePath, source,
                                              parameters.Destination.DevicePath, target)) {
    return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSTitleERROR, *refusal);
  }
  GuardedDestination guarded =
      GuardDestination(platform, texts, parameters.Destination.DevicePath, target, ClaimTarget::Destination);
  if (!guarded) return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSTitleERROR, guarded.Refusal);
  // The log's name is fixed now, so that a copy that runs past midnight
  // still writes the log it announced.
  const std::string logName = CloneLogName(platform.CurrentDirectory(), platform.PathSeparator(),
                                           platform.ShortDateFormat(), platform.Today());
  GuardedDestination guardedLog;
  if (parameters.WriteLog) {
    guardedLog = GuardDestination(platform, texts, logName, SectorRange{}, ClaimTarget::LogFile);
    if (!guardedLog) return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSTitleERROR, guardedLog.Refusal);
  }

  auto destination = platform.Open(parameters.Destination.DevicePath, OpenMode::ReadWrite);
  if (!destination) {
    return EndWith(outcome, JobStatus::Failed, observer, "",
                   FillPlaceholders(texts.Checks.strSCannotClaim, {parameters.Destination.DevicePath,
                                                                  FailureCause(texts, destination.error())}));
  }
  // The source is only ever read.
  auto sourceDevice = platform.Open(parameters.Source.DevicePath, OpenMode::Read);
  if (!sourceDevice) {
    return EndWith(outcome, JobStatus::Failed, observer, "",
                   FillPlaceholders(texts.Checks.strSCannotOpenToRead,
                                    {parameters.Source.DevicePath, FailureCause(texts, sourceDevice.error())}));
  }

  const std::int64_t totalSectors = source.SectorCount();
  // Reads by the block rule over the source range, with the single-sector
  // fallback the create job uses: only sectors that stay unreadable are zeros.
  BlockSource blocks(**sourceDevice, source.FirstSector, source.EndSector, [&observer] { observer.Pump(); });
  bool copiedAll = totalSectors <= 0;
  std::optional<std::string> failure;  // what ended the copy before its end
  bool writingEnded = false;           // the destination took no more writes
  // Blocks may be gathered into larger requests; a sector that cannot be
  // written is named when its request goes out, which may be a few blocks later.
  GatheringWriter writer(**destination);
  auto take = [&](const WriteReport& report) {
    for (std::int64_t sector : report.Unwritable) {
      AddMemoLine(memo, observer, texts.strSBADSingleSECTOR + "Destination Drive @:" + std::to_string(sector));
      ++outcome.UnwritableSectors;
    }
    if (report.Stopped() && !failure) {
      writingEnded = true;
      failure = FillPlaceholders(texts.Checks.strSWriteEnded, {parameters.Destination.DevicePath,
                                                              std::to_string(report.StopSector), report.Stop->text});
    }
    return !failure;
  };

  for (std::int64_t index = 0; !copiedAll && !observer.StopRequested(); ++index) {
    const SourceBlock& block = blocks.ReadBlock(index);
    if (auto lost = blocks.SourceLost()) {
      failure = FillPlaceholders(texts.Checks.strSSourceLost, {parameters.Source.DevicePath,
                                                              std::to_string(blocks.FirstSectorOf(index)), lost->text});
      break;
    }
    for (std::int64_t sector : block.UnreadableSectors) {
      AddMemoLine(memo, observer, texts.strSBADSingleSECTOR + "Source Drive @:" + std::to_string(sector));
      ++outcome.UnreadableSectors;
    }
    const std::int64_t destinationSector = target.FirstSector + (blocks.FirstSectorOf(index) - source.FirstSector);
    if (!take(writer.Add(destinationSector, block.Bytes))) break;

    outcome.SectorsDone = blocks.FirstSectorOf(index + 1) - source.FirstSector;
    if (index + 1 == blocks.BlockCount()) {
      copiedAll = true;  // no progress update after the last chunk
      break;
    }
    observer.Progress(CloneProgress(totalSectors, outcome.SectorsDone,
                                    (totalSectors - outcome.SectorsDone) * BytesPerSector));
    observer.Pump();
  }

  // The block in progress, and those gathered before it, are always written
  // (unless the destination already refused to take more).
  if (!writingEnded) take(writer.Finish());
  if (!copiedAll) {
    outcome.Status = JobStatus::Stopped;
  } else {
    const bool problems = outcome.UnreadableSectors > 0 || outcome.UnwritableSectors > 0;
    outcome.Status = problems ? JobStatus::FinishedWithProblems : JobStatus::Finished;
  }
  return CloseRun(platform, texts, parameters, logName, memo, observer, std::move(*destination), *guarded.Claim,
                  outcome, failure);
}

}  // namespace drivecopy
