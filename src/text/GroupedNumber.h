#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// `value` in decimal with `separator` between groups of three digits
// ("32,896", "32.896"), as counts are written in running text.
std::string GroupedNumber(std::int64_t value, const std::string& separator);

}  // namespace drivecopy
