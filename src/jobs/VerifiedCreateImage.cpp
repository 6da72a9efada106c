#include "jobs/VerifiedCreateImage.h"

#include <cstdint>
#include <string>
#include <vector>

#include "jobs/DestinationGuard.h"
#include "jobs/JobReport.h"
#include "jobs/LogFileNames.h"
#include "jobs/VerifyPass.h"
#include "platform/KindTags.h"
#include "platform/SectorRange.h"

namespace drivecopy {

namespace {

// Passes everything on to the front end and keeps the sectors the job could
// not read (the create job names only those).
class SkippedSectorRecorder final : public JobObserver {
 public:
  explicit SkippedSectorRecorder(JobObserver& front) : front_(front) {}

  const std::vector<std::int64_t>& Sectors() const { return sectors_; }

  void MemoLine(const std::string& line) override { front_.MemoLine(line); }
  void Progress(const JobProgress& progress) override { front_.Progress(progress); }
  bool Confirm(JobQuestion question, const std::string& text) override {
    return front_.Confirm(question, text);
  }
  void ShowError(const std::string& title, const std::string& text) override {
    front_.ShowError(title, text);
  }
  void Pump() override { front_.Pump(); }
  bool StopRequested() override { return front_.StopRequested(); }
  void SectorSkipped(std::int64_t sector, std::string_view drive) override {
    sectors_.push_back(sector);
    front_.SectorSkipped(sector, drive);
  }

 private:
  JobObserver& front_;
  std::vector<std::int64_t> sectors_;
};

// The range the job read: a logical drive is read through its own device,
// so the job counts its sectors from the start of the volume.
SectorRange RangeTheJobRead(const CreateImageParameters& parameters) {
  if (parameters.DeviceKind == KindFixedVolume || parameters.DeviceKind == KindRemovableVolume) {
    return {0, parameters.EndSector - parameters.FirstSector};
  }
  return {parameters.FirstSector, parameters.EndSector};
}

}  // namespace

JobOutcome RunVerifiedCreateImageJob(Platform& platform, const MessageTexts& texts,
                                     const CreateImageParameters& parameters, OperationMemo& memo,
                                     JobObserver& observer) {
  SkippedSectorRecorder recorder(observer);
  JobOutcome outcome = RunCreateImageJob(platform, texts, parameters, memo, recorder);
  const bool finished =
      outcome.Status == JobStatus::Finished || outcome.Status == JobStatus::FinishedWithProblems;
  if (!finished || parameters.Virtual) return outcome;

  JobReport report(texts, memo, observer);
  const VerifyTally tally =
      parameters.Raw ? VerifyCopiedRange(platform, texts, parameters.DevicePath, RangeTheJobRead(parameters),
                                         parameters.ImagePath, 0, recorder.Sectors(), report, observer)
                     : VerifyWrittenImage(platform, texts, parameters.ImagePath, report, observer);
  TakeVerification(outcome, tally);

  if (parameters.WriteLog && !outcome.LogNotWritten) {
    const std::string logName = CreateImageLogName(parameters.ImagePath);
    // Claimed again as the job claimed it, so that it is written where its name says.
    GuardedDestination claim =
        GuardDestination(platform, texts, logName, SectorRange{}, ClaimTarget::LogFile);
    if (!claim) {
      observer.ShowError(texts.strSTitleERROR, claim.Refusal);
      outcome.LogNotWritten = true;
    } else if (!report.SaveLog(platform, logName)) {
      outcome.LogNotWritten = true;
    }
  }
  return outcome;
}

}  // namespace drivecopy
