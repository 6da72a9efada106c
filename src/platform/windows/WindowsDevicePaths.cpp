#include "platform/windows/WindowsDevicePaths.h"

#include <cctype>
#include <string_view>

namespace drivecopy::windows_backend {

bool IsRawDevicePath(const std::string& path) { return path.starts_with("\\\\.\\"); }

std::optional<int> PhysicalDriveNumberOf(const std::string& path) {
  constexpr std::string_view prefix = "\\\\.\\physicaldrive";
  if (path.size() <= prefix.size()) return std::nullopt;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(path[i])) != prefix[i]) return std::nullopt;
  int number = 0;
  for (std::size_t i = prefix.size(); i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9' || number > 1000) return std::nullopt;
    number = number * 10 + (path[i] - '0');
  }
  return number;
}

std::optional<char> VolumeLetterOf(const std::string& path) {
  if (path.size() == 6 && IsRawDevicePath(path) && path[5] == ':' &&
      std::isalpha(static_cast<unsigned char>(path[4])))
    return static_cast<char>(std::toupper(static_cast<unsigned char>(path[4])));
  return std::nullopt;
}

}  // namespace drivecopy::windows_backend
