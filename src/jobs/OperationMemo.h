#pragma once
#include <string>
#include <vector>

namespace drivecopy {

// The lines of an operation window's memo, as the operation log saves them.
// The window appends its own lines (options, source, descriptions) here, and
// a job appends its lines here too and reports each to its observer.
class OperationMemo {
 public:
  void Append(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace drivecopy
