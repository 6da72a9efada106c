#include "platform/sim/WindowsPaths.h"

#include <cctype>

namespace drivecopy::sim {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

}  // namespace

std::optional<DevicePathForm> ParseDevicePath(const std::string& path) {
  const std::string devicePrefix = "\\\\.\\";
  if (!StartsWithNoCase(path, devicePrefix)) return std::nullopt;
  const std::string rest = path.substr(devicePrefix.size());
  const std::string drivePrefix = "PhysicalDrive";
  if (StartsWithNoCase(rest, drivePrefix)) {
    const std::string digits = rest.substr(drivePrefix.size());
    if (digits.empty() || digits.size() > 6) return UnknownDevicePathForm{};
    int number = 0;
    for (char c : digits) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return UnknownDevicePathForm{};
      number = number * 10 + (c - '0');
    }
    return PhysicalDrivePathForm{number};
  }
  if (rest.size() == 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0])))
    return LetterDevicePathForm{static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])))};
  return UnknownDevicePathForm{};
}

std::optional<char> DriveLetterOf(const std::string& path) {
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return std::nullopt;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
}

}  // namespace drivecopy::sim
