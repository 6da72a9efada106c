#include "text/GroupedNumber.h"

namespace drivecopy {

std::string GroupedNumber(std::int64_t value, const std::string& separator) {
  const std::string digits = std::to_string(value);
  const std::size_t sign = digits.starts_with('-') ? 1 : 0;
  std::string grouped = digits.substr(0, sign);
  for (std::size_t i = sign; i < digits.size(); ++i) {
    if (i > sign && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace drivecopy
