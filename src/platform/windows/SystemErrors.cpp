#include "platform/windows/SystemErrors.h"

#include <windows.h>

#include "platform/windows/WideText.h"

namespace drivecopy::windows_backend {

namespace {

FailureKind KindOf(std::uint32_t code) {
  switch (code) {
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_IO_DEVICE:
      return FailureKind::Medium;
    case ERROR_WRITE_PROTECT:
      return FailureKind::ReadOnly;
    case ERROR_NOT_READY:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NO_MEDIA_IN_DRIVE:
      return FailureKind::DeviceGone;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FailureKind::NoSpace;
    default:
      return FailureKind::Other;
  }
}

}  // namespace

std::string SystemErrorText(std::uint32_t code) {
  wchar_t text[1024 / sizeof(wchar_t)] = {};
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        code, 0, text, static_cast<DWORD>(std::size(text)), nullptr);
  std::wstring_view message(text, length);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.remove_suffix(1);
  if (message.empty()) return "Unknown error " + std::to_string(code) + ".";
  return Narrow(message);
}

Failure WindowsFailure(std::uint32_t code) {
  return Failure::OfSystemCall(static_cast<int>(code), SystemErrorText(code), KindOf(code));
}

Failure LastWindowsFailure() { return WindowsFailure(::GetLastError()); }

}  // namespace drivecopy::windows_backend
