#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace drivecopy::linux_backend {

// Where the machine-wide settings live: $DRIVECOPY_SETTINGS_FILE when set
// (tests), else /etc/drivecopy/settings.json.
std::string SettingsFilePath();

// A JSON object of named values, readable by everyone and written by whoever
// may (normally root). A number value is a setting of type Number only when
// it is an integer in 0..4294967295; any other value is of type Other.
class SettingsFile {
 public:
  explicit SettingsFile(std::string path) : path_(std::move(path)) {}

  SettingValue Read(const std::string& name) const;
  // Replaces the file as a whole (temporary file, then rename), so that a
  // reader never sees half a file; false when not permitted.
  bool WriteNumber(const std::string& name, std::uint32_t value) const;
  // Creates an empty store when there is none; false when not permitted.
  bool Ensure() const;

 private:
  std::string path_;
};

}  // namespace drivecopy::linux_backend
