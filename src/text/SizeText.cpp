#include "text/SizeText.h"

#include <array>
#include <charconv>
#include <string_view>

namespace drivecopy {

namespace {

// Unit words with their blanks; unit 0 has two blanks before the lower-case word.
constexpr std::array<std::string_view, 5> UnitSuffix = {"  bytes ", " KBytes ", " MBytes ", " GBytes ",
                                                        " TBytes "};
constexpr std::size_t LargestUnit = UnitSuffix.size() - 1;

}  // namespace

std::string SizeText(std::int64_t bytes, char decimalSeparator) {
  std::size_t unit = 0;
  for (std::int64_t whole = bytes; unit < LargestUnit && whole / 1024 > 0; whole /= 1024) ++unit;

  long double value = static_cast<long double>(bytes);
  for (std::size_t step = 0; step < unit; ++step) value /= 1024.0L;

  // to_chars rounds exactly and, unlike printf, ignores the process locale,
  // so the separator is always the one asked for.
  std::array<char, 64> digits{};
  auto [end, error] =
      std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, 2);
  std::string number = error == std::errc{} ? std::string(digits.data(), end) : std::string("0.00");
  for (char& c : number) {
    if (c == '.') c = decimalSeparator;
  }
  if (number.size() < 4) number.insert(0, 4 - number.size(), ' ');
  return number.append(UnitSuffix[unit]);
}

}  // namespace drivecopy
