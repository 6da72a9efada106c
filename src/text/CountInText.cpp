#include "text/CountInText.h"

#include "platform/Units.h"
#include "text/GroupedNumber.h"
#include "text/SizeText.h"

namespace drivecopy {

namespace {

// The size text with single blanks ("512.00  bytes " has two) and none at
// its end, as it stands inside brackets.
std::string SizeInBrackets(std::int64_t bytes, char decimalSeparator) {
  std::string size;
  for (const char c : SizeText(bytes, decimalSeparator)) {
    if (c != ' ' || (!size.empty() && size.back() != ' ')) size += c;
  }
  while (!size.empty() && size.back() == ' ') size.pop_back();
  return size;
}

}  // namespace

CountInText BytesInText(const MessageTexts& texts, std::int64_t bytes, char decimalSeparator) {
  return {GroupedNumber(bytes, texts.Checks.strSThousandsSeparator), SizeInBrackets(bytes, decimalSeparator)};
}

CountInText SectorsInText(const MessageTexts& texts, std::int64_t sectors, char decimalSeparator) {
  return {GroupedNumber(sectors, texts.Checks.strSThousandsSeparator),
          SizeInBrackets(sectors * BytesPerSector, decimalSeparator)};
}

}  // namespace drivecopy
