#pragma once
#include <string>

#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"

namespace drivecopy {

// Ends a run with an error the user must see: shows it in an error box and
// returns the outcome carrying it with the given status.
inline JobOutcome EndWith(JobOutcome outcome, JobStatus status, JobObserver& observer,
                          const std::string& title, const std::string& text) {
  observer.ShowError(title, text);
  outcome.Status = status;
  outcome.ErrorText = text;
  return outcome;
}

}  // namespace drivecopy
