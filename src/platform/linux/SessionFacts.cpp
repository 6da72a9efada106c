#include "platform/linux/SessionFacts.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

namespace drivecopy::linux_backend {
namespace {

constexpr const char* kSafeDatePattern = "yyyy-MM-dd";

}  // namespace

std::string DatePatternFromStrftime(std::string_view format) {
  std::string pattern;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      pattern.push_back(format[i]);
      continue;
    }
    if (++i == format.size()) return kSafeDatePattern;
    bool unpadded = false;
    if (format[i] == '-') {
      unpadded = true;
      if (++i == format.size()) return kSafeDatePattern;
    }
    switch (format[i]) {
      case 'd':
        pattern += unpadded ? "d" : "dd";
        break;
      case 'e':
        pattern += "d";
        break;
      case 'm':
        pattern += unpadded ? "M" : "MM";
        break;
      case 'Y':
        pattern += "yyyy";
        break;
      case 'y':
        pattern += "yy";
        break;
      case 'F':
        pattern += "yyyy-MM-dd";
        break;
      case '%':
        pattern += "%";
        break;
      default:
        return kSafeDatePattern;
    }
  }
  if (pattern.empty() || pattern.find('/') != std::string::npos) return kSafeDatePattern;
  return pattern;
}

std::string LocaleShortDateFormat() {
  // A locale object of our own leaves the process-wide locale alone.
  locale_t locale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) locale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return kSafeDatePattern;
  std::string format = ::nl_langinfo_l(D_FMT, locale);
  ::freelocale(locale);
  return DatePatternFromStrftime(format);
}

CalendarDate LocalToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return {};
  return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string WorkingDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace drivecopy::linux_backend
