#include "jobs/AfterWritingNotes.h"

#include "text/FillPlaceholders.h"

namespace drivecopy {

void AddAfterWritingNotes(const MessageTexts& texts, const std::string& device,
                          const AfterWritingReport& afterWriting, JobReport& report) {
  if (afterWriting.PartitionTableNotReread) {
    report.Line(FillPlaceholders(texts.Checks.strSPartitionTableNotReread,
                                 {device, afterWriting.PartitionTableNotReread->text}));
  }
}

}  // namespace drivecopy
