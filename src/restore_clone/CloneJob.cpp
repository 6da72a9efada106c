#include "restore_clone/CloneJob.h"

#include <span>
#include <string>

#include "disk/SectorRange.h"
#include "disk/Units.h"
#include "restore_clone/AlignedSectorBuffer.h"
#include "restore_clone/DestinationChecks.h"
#include "restore_clone/JobMemoLine.h"
#include "restore_clone/LogFileNames.h"
#include "restore_clone/OperationLog.h"
#include "restore_clone/OverwriteQuestion.h"
#include "restore_clone/SectorReadFallback.h"
#include "restore_clone/SectorWriteRetry.h"
#include "shell/ProgressPercent.h"

namespace drivecopy {

namespace {

JobOutcome EndWith(JobOutcome outcome, JobStatus status, JobObserver& observer, const std::string& title,
                   const std::string& text) {
  observer.ShowError(title, text);
  outcome.Status = status;
  outcome.ErrorText = text;
  return outcome;
}

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
  if (auto refusal = OverlappingRangesRefusal(platform, parameters.Source.DevicePath, source,
                                              parameters.Destination.DevicePath, target)) {
    return EndWith(outcome, JobStatus::NotStarted, observer, texts.strSTitleERROR, *refusal);
  }
  if (auto refusal = MountedFileSystemRefusal(platform, parameters.Destination.DevicePath, target)) {
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
  std::int64_t bytesRemaining = totalSectors * BytesPerSector;
  std::int64_t sourceSector = source.FirstSector;
  std::int64_t destinationSector = target.FirstSector;
  AlignedSectorBuffer chunk(static_cast<std::size_t>(BlockBytes), (*sourceDevice)->PreferredAlignment());
  bool copiedAll = totalSectors <= 0;

  while (!copiedAll && !observer.StopRequested()) {
    // The block rule over the source: 65,536 bytes while that much remains, then single sectors.
    const std::int64_t chunkBytes = bytesRemaining / BlockBytes > 0 ? BlockBytes : BytesPerSector;
    bytesRemaining -= chunkBytes;
    const std::span<std::byte> bytes = chunk.Bytes().first(static_cast<std::size_t>(chunkBytes));

    for (std::int64_t index : ReadSectorsWithFallback(**sourceDevice, sourceSector, bytes)) {
      AddMemoLine(memo, observer, texts.strSBADSingleSECTOR + "Source Drive @:" + std::to_string(sourceSector + index));
      ++outcome.UnreadableSectors;
    }
    for (std::int64_t index : WriteSectorsWithRetry(**destination, destinationSector, bytes)) {
      AddMemoLine(memo, observer,
                  texts.strSBADSingleSECTOR + "Destination Drive @:" + std::to_string(destinationSector + index));
      ++outcome.UnwritableSectors;
    }

    sourceSector += chunkBytes / BytesPerSector;
    destinationSector += chunkBytes / BytesPerSector;
    outcome.SectorsDone = sourceSector - source.FirstSector;
    if (bytesRemaining == 0) {
      copiedAll = true;  // no progress update after the last chunk
      break;
    }
    observer.Progress(CloneProgress(totalSectors, outcome.SectorsDone, bytesRemaining));
    observer.Pump();
  }

  if (!copiedAll) {
    outcome.Status = JobStatus::Stopped;
  } else {
    const bool problems = outcome.UnreadableSectors > 0 || outcome.UnwritableSectors > 0;
    outcome.Status = problems ? JobStatus::FinishedWithProblems : JobStatus::Finished;
  }
  return CloseRun(platform, texts, parameters, memo, observer, **destination, outcome);
}

}  // namespace drivecopy
