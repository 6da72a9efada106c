#pragma once
#include <cstdint>

namespace drivecopy {

// Position of a 0..100 progress bar: trunc(100 * done / total) in floating
// point. A total of 0 or less reads as finished (100) rather than dividing by zero.
inline int ProgressPercent(std::int64_t total, std::int64_t done) {
  if (total <= 0) return 100;
  return static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total));
}

}  // namespace drivecopy
