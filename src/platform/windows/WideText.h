#pragma once
#include <string>
#include <string_view>

namespace drivecopy::windows_backend {

// The program keeps paths and texts as UTF-8; the Win32 calls take UTF-16.
// Bytes that are no valid UTF-8 become U+FFFD (and back): a path so named
// then fails to open instead of naming another file.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace drivecopy::windows_backend
