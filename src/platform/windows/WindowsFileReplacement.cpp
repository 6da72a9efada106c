#include "platform/windows/WindowsFileReplacement.h"

#include <windows.h>

#include "platform/windows/SystemErrors.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsDevicePaths.h"

namespace drivecopy::windows_backend {

namespace {

bool IsFolderOrLink(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
}

Failure NotARegularFile() {
  return Failure::OfSystemCall(
             ERROR_ACCESS_DENIED,
             "it exists and is not a regular file (a device, folder, pipe or link), so it is not replaced")
      .Naming(BackendReason::ExistsNotRegularFile);
}

}  // namespace

Outcome<void> RenameOverFile(const std::string& from, const std::string& to) {
  if (IsRawDevicePath(from) || IsRawDevicePath(to)) return NotARegularFile();
  const std::wstring source = Widen(from);
  const std::wstring target = Widen(to);
  const DWORD sourceAttributes = ::GetFileAttributesW(source.c_str());
  if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return LastWindowsFailure();
  if (IsFolderOrLink(sourceAttributes)) return NotARegularFile();
  const DWORD targetAttributes = ::GetFileAttributesW(target.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES && IsFolderOrLink(targetAttributes))
    return NotARegularFile();
  if (!::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return LastWindowsFailure();
  return {};
}

}  // namespace drivecopy::windows_backend
