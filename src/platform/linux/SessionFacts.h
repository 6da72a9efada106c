#pragma once
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace drivecopy::linux_backend {

// Turns a strftime date format (the locale's D_FMT) into pattern letters:
// %d dd, %e d, %m MM, %Y yyyy, %y yy (%-d d, %-m M, %F yyyy-MM-dd). The
// result names a log file, so a format that would contain "/" (the C
// locale's %m/%d/%y), or one this function does not understand, gives
// "yyyy-MM-dd".
std::string DatePatternFromStrftime(std::string_view format);

// The short date format of the LC_TIME locale from the environment.
std::string LocaleShortDateFormat();

CalendarDate LocalToday();

// The working directory; "" when it cannot be found (it was removed).
std::string WorkingDirectory();

}  // namespace drivecopy::linux_backend
