#include "jobs/LogFileNames.h"

#include <array>
#include <string_view>

namespace drivecopy {

namespace {

constexpr std::array<std::string_view, 12> MonthNames = {"January",   "February", "March",    "April",
                                                         "May",       "June",     "July",     "August",
                                                         "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 7> DayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};

std::string TwoDigits(int number) {
  const int lastTwo = ((number % 100) + 100) % 100;
  return std::string(1, static_cast<char>('0' + lastTwo / 10)) + static_cast<char>('0' + lastTwo % 10);
}

// 0 = Sunday, for a Gregorian date (Sakamoto's method).
std::size_t DayOfWeek(const CalendarDate& date) {
  static constexpr std::array<int, 12> MonthOffset = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int year = date.Month < 3 ? date.Year - 1 : date.Year;
  const int day = year + year / 4 - year / 100 + year / 400 +
                  MonthOffset[static_cast<std::size_t>(date.Month - 1)] + date.Day;
  return static_cast<std::size_t>(((day % 7) + 7) % 7);
}

std::string NameOrNumber(std::string_view name, std::size_t runLength, int number) {
  if (runLength == 1) return std::to_string(number);
  if (runLength == 2) return TwoDigits(number);
  return std::string(runLength == 3 ? name.substr(0, 3) : name);
}

std::string Field(char letter, std::size_t runLength, const CalendarDate& date) {
  const bool validMonth = date.Month >= 1 && date.Month <= 12;
  switch (letter) {
    case 'd':
      return NameOrNumber(validMonth ? DayNames[DayOfWeek(date)] : "", runLength, date.Day);
    case 'M':
      return NameOrNumber(validMonth ? MonthNames[static_cast<std::size_t>(date.Month - 1)] : "", runLength,
                          date.Month);
    default:  // 'y'
      if (runLength == 1) return std::to_string(((date.Year % 100) + 100) % 100);
      if (runLength == 2) return TwoDigits(date.Year);
      return std::to_string(date.Year);
  }
}

bool FileNameRefuses(char c) { return std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos; }

}  // namespace

std::string CreateImageLogName(const std::string& imagePath) { return imagePath + ".log"; }

std::string FormatDate(const std::string& pattern, const CalendarDate& date) {
  std::string formatted;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'') {
      // Quoted literal; '' inside or outside quotes is one quote.
      ++i;
      while (i < pattern.size()) {
        if (pattern[i] == '\'') {
          if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
            formatted += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        formatted += pattern[i++];
      }
      continue;
    }
    if (c == 'd' || c == 'M' || c == 'y') {
      std::size_t runLength = 0;
      while (i < pattern.size() && pattern[i] == c) {
        ++runLength;
        ++i;
      }
      formatted += Field(c, runLength, date);
      continue;
    }
    formatted += c;
    ++i;
  }
  return formatted;
}

std::string CloneLogName(const std::string& currentDirectory, char separator,
                         const std::string& shortDateFormat, const CalendarDate& date) {
  std::string dateText = FormatDate(shortDateFormat, date);
  for (char& c : dateText) {
    if (FileNameRefuses(c) || c == separator) c = '-';
  }
  std::string name = currentDirectory;
  if (name.empty() || name.back() != separator) name += separator;
  return name + "TALVO_Cloning_Log " + dateText + ".txt";
}

std::string LogAnnouncement(const MessageTexts& texts, const std::string& logFileName) {
  std::string line = texts.strSWriteLogfile;
  for (std::string_view placeholder : {std::string_view("%s.log"), std::string_view("%s")}) {
    const std::size_t at = line.find(placeholder);
    if (at != std::string::npos) return line.replace(at, placeholder.size(), logFileName);
  }
  return line.empty() ? logFileName : line + " " + logFileName;
}

std::string CloneLogAnnouncement(const MessageTexts& texts, const std::string& cloneLogName) {
  return LogAnnouncement(texts, cloneLogName);
}

std::string CreateImageLogAnnouncement(const MessageTexts& texts, const std::string& imagePath) {
  return LogAnnouncement(texts, CreateImageLogName(imagePath));
}

}  // namespace drivecopy
