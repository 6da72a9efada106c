#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"

#include <windows.h>

namespace drivecopy::windows_backend {

// The settings as named values of one registry key. A setting of type
// Number is a REG_DWORD value; a value of any other type or size is of
// type Other, and a missing or unreadable key or value is Missing.
class RegistrySettings {
 public:
  // `subKey` is the key's path under `root`, in UTF-8.
  RegistrySettings(HKEY root, const std::string& subKey);

  SettingValue Read(const std::string& name) const;
  // Stores `value` as a REG_DWORD, creating the key when there is none;
  // false when not permitted.
  bool WriteNumber(const std::string& name, std::uint32_t value) const;
  // Creates the key when there is none and opens it for reading and
  // writing: false when it cannot be created or this user may not write it.
  bool Ensure() const;

 private:
  HKEY root_;
  std::wstring subKey_;
};

// The program's settings for every user of the machine:
// HKEY_LOCAL_MACHINE\SOFTWARE\FreeTALVO_DriveCloning.
RegistrySettings MachineRegistrySettings();

}  // namespace drivecopy::windows_backend
