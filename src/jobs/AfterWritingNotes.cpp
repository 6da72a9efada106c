#include "jobs/AfterWritingNotes.h"

#include "jobs/JobMemoLine.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {

void AddAfterWritingNotes(const MessageTexts& texts, const std::string& device, const AfterWritingReport& report,
                          OperationMemo& memo, JobObserver& observer) {
  if (report.PartitionTableNotReread) {
    AddMemoLine(memo, observer,
                FillPlaceholders(texts.Checks.strSPartitionTableNotReread, {device, report.PartitionTableNotReread->text}));
  }
}

}  // namespace drivecopy
