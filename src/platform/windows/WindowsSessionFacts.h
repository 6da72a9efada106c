#pragma once
#include <string>

#include "platform/Platform.h"

namespace drivecopy::windows_backend {

// The process's current folder (GetCurrentDirectoryW).
std::string WorkingFolder();

// The user's short date pattern (LOCALE_SSHORTDATE: "dd.MM.yyyy", "M/d/yyyy").
std::string UserShortDateFormat();

// The local calendar date (GetLocalTime).
CalendarDate LocalToday();

// Opens a web address in the user's browser (ShellExecuteW "open"). Only
// http and https addresses are handed over: anything else would be a file
// or program the shell runs.
bool OpenInBrowser(const std::string& url);

}  // namespace drivecopy::windows_backend
