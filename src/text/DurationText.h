#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// A time span for people: "m:ss" below an hour, "h:mm:ss" from an hour on.
// `seconds` must not be negative.
std::string DurationText(std::int64_t seconds);

}  // namespace drivecopy
