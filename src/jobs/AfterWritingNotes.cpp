#include "jobs/AfterWritingNotes.h"

#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {

void AddAfterWritingNotes(const MessageTexts& texts, const std::string& device,
                          const AfterWritingReport& afterWriting, JobReport& report) {
  if (afterWriting.PartitionTableNotReread) {
    report.Line(FillPlaceholders(texts.Checks.strSPartitionTableNotReread,
                                 {device, FailureCause(texts, *afterWriting.PartitionTableNotReread)}));
  }
}

}  // namespace drivecopy
