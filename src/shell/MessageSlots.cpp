#include "shell/MessageSlots.h"

namespace drivecopy {

std::string FillMessageSlots(std::string_view message, std::initializer_list<std::string_view> values) {
  constexpr std::string_view slot = "%s";
  std::string filled;
  auto value = values.begin();
  std::size_t from = 0;
  for (std::size_t at = message.find(slot); at != std::string_view::npos && value != values.end();
       at = message.find(slot, from)) {
    filled.append(message.substr(from, at - from));
    filled.append(*value++);
    from = at + slot.size();
  }
  filled.append(message.substr(from));
  return filled;
}

}  // namespace drivecopy
