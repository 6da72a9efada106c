#pragma once
#include <optional>
#include <string>
#include <variant>

namespace drivecopy::sim {

// The Windows path forms the simulated machine understands. Letters and
// keywords are matched without regard to case, as Windows does.

struct PhysicalDrivePathForm {
  int Number = 0;
};
struct LetterDevicePathForm {  // "\\.\C:"
  char Letter = 'C';
};
struct UnknownDevicePathForm {};  // "\\.\" followed by anything else

using DevicePathForm = std::variant<PhysicalDrivePathForm, LetterDevicePathForm, UnknownDevicePathForm>;

// nullopt when the path does not begin with "\\.\".
std::optional<DevicePathForm> ParseDevicePath(const std::string& path);

// The upper-case letter of a path that begins with "X:" ("E:\backup.img",
// "E:/backup.img", "C:\", "C:"), or nullopt.
std::optional<char> DriveLetterOf(const std::string& path);

}  // namespace drivecopy::sim
