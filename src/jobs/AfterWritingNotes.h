#pragma once
#include <string>

#include "platform/WriteClaim.h"
#include "jobs/JobObserver.h"
#include "text/MessageTexts.h"
#include "jobs/OperationMemo.h"

namespace drivecopy {

// Puts into the memo what the system could not be made to do after `device`
// was written (WriteClaim::AfterWriting): the user must know before using it.
void AddAfterWritingNotes(const MessageTexts& texts, const std::string& device, const AfterWritingReport& report,
                          OperationMemo& memo, JobObserver& observer);

}  // namespace drivecopy
