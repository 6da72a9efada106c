#include "platform/windows/records/GuidText.h"

namespace drivecopy::windows_backend {

std::string GuidText(std::span<const std::byte, GuidSize> guid) {
  // The byte of the stored GUID that gives each pair of hex digits of the
  // text, in text order; the first three groups are stored reversed.
  constexpr std::size_t textOrder[GuidSize] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  constexpr char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < GuidSize; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    const auto byte = std::to_integer<unsigned>(guid[textOrder[i]]);
    text += digits[byte >> 4U];
    text += digits[byte & 0xFU];
  }
  return text;
}

}  // namespace drivecopy::windows_backend
