#include "jobs/JobReport.h"

#include "jobs/OperationLog.h"
#include "jobs/ProgressPercent.h"
#include "platform/Units.h"
#include "text/FillPlaceholders.h"
#include "text/GroupedNumber.h"

namespace drivecopy {

void JobReport::Line(const std::string& line) {
  memo_.Append(line);
  observer_.MemoLine(line);
}

void JobReport::BadSectors(SectorRange sectors, std::string_view drive) {
  if (sectors.SectorCount() == 1) {
    Line(texts_.strSBADSingleSECTOR + std::string(drive) + " @:" + std::to_string(sectors.FirstSector));
    return;
  }
  Line(FillPlaceholders(
      texts_.Details.strSBadSectorRange,
      {std::string(drive), std::to_string(sectors.FirstSector), std::to_string(sectors.EndSector - 1),
       GroupedNumber(sectors.SectorCount(), texts_.Checks.strSThousandsSeparator)}));
}

JobProgress JobReport::ProgressAt(std::int64_t totalSectors, std::int64_t doneSectors) {
  JobProgress progress;
  progress.MainPercent = ProgressPercent(totalSectors, doneSectors);
  progress.BytesRemaining = (totalSectors - doneSectors) * BytesPerSector;
  progress.BytesDone = doneSectors * BytesPerSector;
  progress.BytesTotal = totalSectors * BytesPerSector;
  return progress;
}

JobOutcome JobReport::Refuse(const std::string& title, const std::string& text) {
  return Refuse(title, text, text);
}

JobOutcome JobReport::Refuse(const std::string& title, const std::string& text, std::string errorText) {
  observer_.ShowError(title, text);
  JobOutcome outcome;
  outcome.Status = JobStatus::NotStarted;
  outcome.ErrorText = std::move(errorText);
  return outcome;
}

JobOutcome JobReport::Fail(JobOutcome soFar, const std::string& title, const std::string& text) {
  observer_.ShowError(title, text);
  soFar.Status = JobStatus::Failed;
  soFar.ErrorText = text;
  return soFar;
}

Outcome<void> JobReport::SaveLog(Platform& platform, const std::string& path) {
  Outcome<void> saved = WriteOperationLog(platform, path, memo_.Lines());
  if (!saved) observer_.ShowError(texts_.strSTitleERROR, saved.error().text);
  return saved;
}

}  // namespace drivecopy
