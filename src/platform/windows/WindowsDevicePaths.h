#pragma once
#include <optional>
#include <string>

namespace drivecopy::windows_backend {

// The raw device form "\\.\NAME" (a physical drive, a volume, a floppy).
bool IsRawDevicePath(const std::string& path);

// N of "\\.\PhysicalDriveN" (any letter case); nullopt for any other path.
std::optional<int> PhysicalDriveNumberOf(const std::string& path);

// The upper-case letter of a volume's device path "\\.\X:"; nullopt for any other path.
std::optional<char> VolumeLetterOf(const std::string& path);

}  // namespace drivecopy::windows_backend
