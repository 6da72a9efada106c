#include "restore_clone/CloneJob.h"

#include <span>
#include <string>

#include "disk/SectorRange.h"
#include "disk/Units.h"
#include "imaging/BlockSource.h"
#include "restore_clone/DestinationChecks.h"
#include "restore_clone/JobMemoLine.h"
#include "restore_clone/LogFileNames.h"
#include "restore_clone/GatheringWriter.h"
#include "restore_clone/OperationLog.h"
#include "restore_clone/OverwriteQuestion.h"
#include "shell/JobEnd.h"
#include "shell/ProgressPercent.h"

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

// The closing step of every run that started copying, stopped ones
// included: the destination is flushed, and only a successful flush earns the
// closing line; then the memo is saved as the log when asked.
JobOutcome CloseRun(Platform& platform, const MessageTexts& texts, const CloneParameters& parameters,
                    OperationMemo& memo, JobObserver& observer, DeviceHandle& destination, JobOutcome outcome) {
  if (auto flushed = destination.Flush(); !flushed) {
    const std::string text = "The data written to " + parameters.Destination.DevicePath +
                             " could not be brought to stable storage: " + flushed.error().text;
    AddMemoLine(memo, observer, text);
    outcome = EndWith(outcome, JobStatus::Failed, observer, texts.strSTitleERROR, text);
  } else {
    AddMemoLine(memo, observer, texts.StrSInitCloneDriveNew);
  }
  if (parameters.WriteLog) {
    const std::string logName = CloneLogName(platform.CurrentDirectory(), platform.PathSeparator(),
                                             platform.ShortDateFormat(), platform.Today());
    if (auto saved = WriteOperationLog(platform, logName, memo.Lines()); !saved) {
      // The copy itself is done; the log's failure is reported beside its result.
      observer.ShowError(texts.strSTitleERROR, saved.error().text);
      outcome.ErrorText += (outcome.ErrorText.empty() ? "" : " ") + saved.error().text;
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
                   texts.strSPARTIONTOSMALL);
  }
  if (auto refusal = OverlappingRangesRefusal(platform, texts, parameters.Source.DevicePath, source,
                                              parameters.Destination.DevicePath, target)) {
    return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSTitleERROR, *refusal);
  }
  if (auto refusal = MountedFileSystemRefusal(platform, texts, parameters.Destination.DevicePath, target)) {
    return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSTitleERROR, *refusal);
  }

  auto destination = platform.Open(parameters.Destination.DevicePath, OpenMode::ReadWrite);
  if (!destination) {
    return EndWith(outcome, JobStatus::Failed, observer, "",
                   "Cannot open " + parameters.Destination.DevicePath + " for writing: " +
                       destination.error().text);
  }
  // The source is only ever read.
  auto sourceDevice = platform.Open(parameters.Source.DevicePath, OpenMode::Read);
  if (!sourceDevice) {
    return EndWith(outcome, JobStatus::Failed, observer, "",
                   "Cannot open " + parameters.Source.DevicePath + " for reading: " + sourceDevice.error().text);
  }

  const std::int64_t totalSectors = source.SectorCount();
  // Reads by the block rule over the source range, with the single-sector
  // fallback the create job uses: only sectors that stay unreadable are zeros.
  BlockSource blocks(**sourceDevice, source.FirstSector, source.EndSector, [&observer] { observer.Pump(); });
  bool copiedAll = totalSectors <= 0;
  // Blocks may be gathered into larger requests; a sector that cannot be
  // written is named when its request goes out, which may be a few blocks later.
  GatheringWriter writer(**destination);
  auto nameUnwritable = [&](const std::vector<std::int64_t>& sectors) {
    for (std::int64_t sector : sectors) {
      AddMemoLine(memo, observer, texts.strSBADSingleSECTOR + "Destination Drive @:" + std::to_string(sector));
      ++outcome.UnwritableSectors;
    }
  };

  for (std::int64_t index = 0; !copiedAll && !observer.StopRequested(); ++index) {
    const SourceBlock& block = blocks.ReadBlock(index);
    for (std::int64_t sector : block.UnreadableSectors) {
      AddMemoLine(memo, observer, texts.strSBADSingleSECTOR + "Source Drive @:" + std::to_string(sector));
      ++outcome.UnreadableSectors;
    }
    const std::int64_t destinationSector = target.FirstSector + (blocks.FirstSectorOf(index) - source.FirstSector);
    nameUnwritable(writer.Add(destinationSector, block.Bytes));

    outcome.SectorsDone = blocks.FirstSectorOf(index + 1) - source.FirstSector;
    if (index + 1 == blocks.BlockCount()) {
      copiedAll = true;  // no progress update after the last chunk
      break;
    }
    observer.Progress(CloneProgress(totalSectors, outcome.SectorsDone,
                                    (totalSectors - outcome.SectorsDone) * BytesPerSector));
    observer.Pump();
  }

  // The block in progress, and those gathered before it, are always written.
  nameUnwritable(writer.Finish());
  if (!copiedAll) {
    outcome.Status = JobStatus::Stopped;
  } else {
    const bool problems = outcome.UnreadableSectors > 0 || outcome.UnwritableSectors > 0;
    outcome.Status = problems ? JobStatus::FinishedWithProblems : JobStatus::Finished;
  }
  return CloseRun(platform, texts, parameters, memo, observer, **destination, outcome);
}

}  // namespace drivecopy
