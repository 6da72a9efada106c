#include "jobs/CloneJob.h"

#include <optional>
#include <span>
#include <string>

#include "jobs/AfterWritingNotes.h"
#include "jobs/BadSectorLines.h"
#include "jobs/BlockSource.h"
#include "jobs/DestinationChecks.h"
#include "jobs/DestinationGuard.h"
#include "jobs/DestinationTooSmallText.h"
#include "jobs/GatheringWriter.h"
#include "jobs/JobReport.h"
#include "jobs/LogFileNames.h"
#include "jobs/OverwriteQuestion.h"
#include "jobs/SectorRanges.h"
#include "jobs/SectorSizeRefusal.h"
#include "jobs/SourceGuard.h"
#include "jobs/VerifyPass.h"
#include "platform/SectorRange.h"
#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {

namespace {

SectorRange RangeOf(const CloneEndpoint& endpoint) { return {endpoint.FirstSector, endpoint.EndSector}; }

// The closing step of every run that started copying, stopped and failed
// ones included: the destination is flushed and the system made to show it;
// only a copy that neither failed nor failed to flush earns the closing
// line. A copy that got to its end is verified when asked, while the
// destination is still claimed. Then the memo is saved as the log when
// asked, so that it holds the verification too. `unreadable` are the source
// sectors the copy wrote as zeros.
JobOutcome CloseRun(Platform& platform, const MessageTexts& texts, const CloneParameters& parameters,
                    const std::string& logName, JobReport& report, JobObserver& observer,
                    std::unique_ptr<DeviceHandle> destination, WriteClaim& claim, JobOutcome outcome,
                    const std::optional<std::string>& failure, const SectorRanges& unreadable) {
  auto flushed = destination->Flush();
  destination.reset();
  AddAfterWritingNotes(texts, parameters.Destination.DevicePath, claim.AfterWriting(), report);
  if (failure) {
    report.Line(*failure);
    outcome = report.Fail(outcome, texts.strSTitleERROR, *failure);
  }
  if (!flushed) {
    const std::string text = FillPlaceholders(texts.Details.strSNotFlushed,
                                              {parameters.Destination.DevicePath, flushed.error().text});
    report.Line(text);
    outcome = report.Fail(outcome, texts.strSTitleERROR, text);
  } else if (!failure) {
    report.Line(texts.StrSInitCloneDriveNew);
    const bool copiedAll =
        outcome.Status == JobStatus::Finished || outcome.Status == JobStatus::FinishedWithProblems;
    if (parameters.Verify && copiedAll) {
      TakeVerification(outcome,
                       VerifyCopiedRange(platform, texts, parameters.Source.DevicePath,
                                         RangeOf(parameters.Source), parameters.Destination.DevicePath,
                                         parameters.Destination.FirstSector, unreadable, report, observer));
    }
  }
  if (parameters.WriteLog) {
    if (auto saved = report.SaveLog(platform, logName); !saved) {
      // The copy itself is done; the log's failure is reported beside its result.
      outcome.ErrorText += (outcome.ErrorText.empty() ? "" : " ") + saved.error().text;
      outcome.LogNotWritten = true;
    }
  }
  return outcome;
}

}  // namespace

JobOutcome RunCloneJob(Platform& platform, const MessageTexts& texts, const CloneParameters& parameters,
                       OperationMemo& memo, JobObserver& observer) {
  JobReport report(texts, memo, observer);
  JobOutcome outcome;
  if (!observer.Confirm(JobQuestion::OverwriteDestination,
                        OverwriteQuestion(texts, parameters.DestinationDescription))) {
    return outcome;
  }

  const SectorRange source = RangeOf(parameters.Source);
  const SectorRange target = RangeOf(parameters.Destination);
  if (target.SectorCount() < source.SectorCount()) {
    return report.Refuse(
        texts.strSPARTIONTOSMALLTitle,
        DestinationTooSmallText(texts, parameters.Source.DevicePath, source.SectorCount(),
                                parameters.Destination.DevicePath, target, parameters.DecimalSeparator));
  }
  if (auto refusal = OverlappingRangesRefusal(platform, texts, parameters.Source.DevicePath, source,
                                              parameters.Destination.DevicePath, target)) {
    return report.Refuse(texts.strSTitleERROR, *refusal);
  }
  GuardedSource sourceClaim = GuardSource(platform, texts, parameters.Source.DevicePath, source);
  if (!sourceClaim) return report.Refuse(texts.strSTitleERROR, sourceClaim.Refusal);
  GuardedDestination guarded =
      GuardDestination(platform, texts, parameters.Destination.DevicePath, target, ClaimTarget::Destination);
  if (!guarded) return report.Refuse(texts.strSTitleERROR, guarded.Refusal);
  // The log's name is fixed now, so that a copy that runs past midnight
  // still writes the log it announced.
  const std::string logName = CloneLogName(platform.CurrentDirectory(), platform.PathSeparator(),
                                           platform.ShortDateFormat(), platform.Today());
  GuardedDestination guardedLog;
  if (parameters.WriteLog) {
    guardedLog = GuardDestination(platform, texts, logName, SectorRange{}, ClaimTarget::LogFile);
    if (!guardedLog) return report.Refuse(texts.strSTitleERROR, guardedLog.Refusal);
  }
  // Only looked at, never written, while the claim holds the destination.
  if (auto refusal = CloneSectorSizeRefusal(platform, texts, parameters)) {
    return report.Refuse(texts.strSTitleERROR, *refusal);
  }

  auto destination = platform.Open(parameters.Destination.DevicePath, OpenMode::ReadWrite);
  if (!destination) {
    return report.Fail(
        outcome, "",
        FillPlaceholders(texts.Checks.strSCannotClaim,
                         {parameters.Destination.DevicePath, FailureCause(texts, destination.error())}));
  }
  // The source is only ever read.
  auto sourceDevice = platform.Open(parameters.Source.DevicePath, OpenMode::Read);
  if (!sourceDevice) {
    return report.Fail(
        outcome, "",
        FillPlaceholders(texts.Checks.strSCannotOpenToRead,
                         {parameters.Source.DevicePath, FailureCause(texts, sourceDevice.error())}));
  }

  const std::int64_t totalSectors = source.SectorCount();
  // Reads by the block rule over the source range, with the single-sector
  // fallback the create job uses: only sectors that stay unreadable are zeros.
  BlockSource blocks(
      **sourceDevice, source.FirstSector, source.EndSector, [&observer] { observer.Pump(); },
      [&observer] { return observer.StopRequested(); });
  bool copiedAll = totalSectors <= 0;
  SectorRanges unreadable;             // source sectors written as zeros
  std::optional<std::string> failure;  // what ended the copy before its end
  bool writingEnded = false;           // the destination took no more writes
  BadSectorLines unreadableLines(report, texts.Details.strSBadSectorOnSource);
  BadSectorLines unwritableLines(report, texts.Details.strSBadSectorOnDestination);
  // Blocks may be gathered into larger requests; a sector that cannot be
  // written is named when its request goes out, which may be a few blocks later.
  GatheringWriter writer(**destination);
  auto take = [&](const WriteReport& lastWrite) {
    unwritableLines.Take(lastWrite.Unwritable, lastWrite.CoveredEnd);
    outcome.UnwritableSectors += lastWrite.Unwritable.SectorCount();
    if (lastWrite.Stopped() && !failure) {
      writingEnded = true;
      failure = FillPlaceholders(
          texts.Checks.strSWriteEnded,
          {parameters.Destination.DevicePath, std::to_string(lastWrite.StopSector), lastWrite.Stop->text});
    }
    return !failure;
  };

  for (std::int64_t index = 0; !copiedAll && !observer.StopRequested(); ++index) {
    const SourceBlock& block = blocks.ReadBlock(index);
    if (auto lost = blocks.SourceLost()) {
      failure = FillPlaceholders(
          texts.Checks.strSSourceLost,
          {parameters.Source.DevicePath, std::to_string(blocks.FirstSectorOf(index)), lost->text});
      break;
    }
    if (block.Stopped) break;  // stopped while the block was read piece by piece: it is left out
    unreadable.Add(block.Unreadable);
    unreadableLines.Take(block.Unreadable, blocks.FirstSectorOf(index + 1));
    outcome.UnreadableSectors = unreadable.SectorCount();
    const std::int64_t destinationSector =
        target.FirstSector + (blocks.FirstSectorOf(index) - source.FirstSector);
    if (!take(writer.Add(destinationSector, block.Bytes))) break;

    outcome.SectorsDone = blocks.FirstSectorOf(index + 1) - source.FirstSector;
    if (index + 1 == blocks.BlockCount()) {
      copiedAll = true;  // no progress update after the last chunk
      break;
    }
    report.Progress(totalSectors, outcome.SectorsDone);
    observer.Pump();
  }

  unreadableLines.Close();
  // The block in progress, and those gathered before it, are always written
  // (unless the destination already refused to take more).
  if (!writingEnded) take(writer.Finish());
  unwritableLines.Close();
  if (!copiedAll) {
    outcome.Status = JobStatus::Stopped;
  } else {
    const bool problems = outcome.UnreadableSectors > 0 || outcome.UnwritableSectors > 0;
    outcome.Status = problems ? JobStatus::FinishedWithProblems : JobStatus::Finished;
  }
  return CloseRun(platform, texts, parameters, logName, report, observer, std::move(*destination),
                  *guarded.Claim, outcome, failure, unreadable);
}

}  // namespace drivecopy
