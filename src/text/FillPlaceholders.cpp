#include "text/FillPlaceholders.h"

namespace drivecopy {

std::string FillPlaceholders(const std::string& message, const std::vector<std::string>& values) {
  std::string text;
  std::size_t from = 0;
  std::size_t used = 0;
  while (used < values.size()) {
    const std::size_t at = message.find("%s", from);
    if (at == std::string::npos) break;
    text += message.substr(from, at - from) + values[used++];
    from = at + 2;
  }
  text += message.substr(from);
  for (; used < values.size(); ++used) text += " " + values[used];
  return text;
}

}  // namespace drivecopy
