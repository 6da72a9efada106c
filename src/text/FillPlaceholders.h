#pragma once
#include <string>
#include <vector>

namespace drivecopy {

// `message` with each "%s" replaced in order by `values`. Values without a
// "%s" of their own are appended after a blank, so a translation that lost
// its placeholder still names what it is about; surplus "%s" stay as they are.
std::string FillPlaceholders(const std::string& message, const std::vector<std::string>& values);

}  // namespace drivecopy
