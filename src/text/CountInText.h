#pragma once
#include <cstdint>
#include <string>

#include "text/MessageTexts.h"

namespace drivecopy {

// A number of bytes or sectors as a message gives it, "%s bytes (%s)" or
// "%s sectors (%s)": the exact count grouped by the catalogue's thousands
// separator, and the size text of its bytes without the blanks a size text
// ends in (and with one blank before "bytes").
struct CountInText {
  std::string Count;  // "4,194,304"
  std::string Size;   // "4.00 MBytes"
};

CountInText BytesInText(const MessageTexts& texts, std::int64_t bytes, char decimalSeparator);
CountInText SectorsInText(const MessageTexts& texts, std::int64_t sectors, char decimalSeparator);

}  // namespace drivecopy
