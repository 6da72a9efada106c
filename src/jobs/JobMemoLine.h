#pragma once
#include <string>

#include "jobs/JobObserver.h"
#include "jobs/OperationMemo.h"

namespace drivecopy {

// A job's memo line goes both into the window's memo (which the log saves)
// and to the front end that shows it.
inline void AddMemoLine(OperationMemo& memo, JobObserver& observer, const std::string& line) {
  memo.Append(line);
  observer.MemoLine(line);
}

}  // namespace drivecopy
