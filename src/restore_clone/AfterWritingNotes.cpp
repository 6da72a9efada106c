#include "restore_clone/AfterWritingNotes.h"

#include "restore_clone/JobMemoLine.h"
#include "shell/FillPlaceholders.h"

namespace drivecopy {

void AddAfterWritingNotes(const MessageTexts& texts, const std::string& device, const AfterWritingReport& report,
                          OperationMemo& memo, JobObserver& observer) {
  if (report.PartitionTableNotReread) {
    AddMemoLine(memo, observer,
                FillPlaceholders(texts.Checks.strSPartitionTableNotReread, {device, report.PartitionTableNotReread->text}));
  }
}

}  // namespace drivecopy
