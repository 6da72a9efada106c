#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// A byte count as a size in powers of 1024, the way every list, caption and
// memo line shows sizes: "465.66 GBytes ", "1.41 MBytes ", "512.00  bytes ".
// The unit is chosen by integer division before rounding (1024 * 1024 - 1
// bytes read "1024.00 KBytes "); TBytes is open upward; counts below 1024,
// negative ones included, stay in bytes. The number has two decimals, at least
// four characters, with `decimalSeparator` (the user's locale) as the point.
// Every text ends with a blank.
std::string SizeText(std::int64_t bytes, char decimalSeparator = '.');

}  // namespace drivecopy
