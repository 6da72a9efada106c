#pragma once
#include <string>

#include "jobs/JobReport.h"
#include "platform/WriteClaim.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// Puts into the memo what the system could not be made to do after `device`
// was written (WriteClaim::AfterWriting): the user must know before using it.
void AddAfterWritingNotes(const MessageTexts& texts, const std::string& device,
                          const AfterWritingReport& afterWriting, JobReport& report);

}  // namespace drivecopy
