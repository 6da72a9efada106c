#include "platform/windows/WindowsSessionFacts.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "platform/windows/WideText.h"

namespace drivecopy::windows_backend {

std::string WorkingFolder() {
  const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(length, L'\0');
  const DWORD written = ::GetCurrentDirectoryW(length, folder.data());
  folder.resize(written);
  return Narrow(folder);
}

std::string UserShortDateFormat() {
  wchar_t pattern[LOCALE_NAME_MAX_LENGTH * 4] = {};
  const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, pattern,
                                       static_cast<int>(std::size(pattern)));
  if (length <= 1) return "dd.MM.yyyy";
  return Narrow(std::wstring_view(pattern, static_cast<std::size_t>(length - 1)));
}

CalendarDate LocalToday() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return CalendarDate{now.wYear, now.wMonth, now.wDay};
}

bool OpenInBrowser(const std::string& url) {
  if (!url.starts_with("http://") && !url.starts_with("https://")) return false;
  const auto result = reinterpret_cast<std::intptr_t>(
      ::ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;  // values up to 32 are errors
}

}  // namespace drivecopy::windows_backend
