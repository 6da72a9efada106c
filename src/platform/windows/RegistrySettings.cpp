#include "platform/windows/RegistrySettings.h"

#include <utility>

#include "platform/windows/WideText.h"

namespace drivecopy::windows_backend {
namespace {

// Owns an open registry key and closes it once.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }

  HKEY Get() const { return key_; }
  // Where an opening call stores the key.
  HKEY* Receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// Opens the key, creating it (and the keys above it) when there is none.
bool CreateOrOpen(HKEY root, const std::wstring& subKey, REGSAM rights, RegistryKey& key) {
  return ::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, rights, nullptr,
                           key.Receive(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

RegistrySettings::RegistrySettings(HKEY root, const std::string& subKey)
    : root_(root), subKey_(Widen(subKey)) {}

SettingValue RegistrySettings::Read(const std::string& name) const {
  SettingValue setting;
  RegistryKey key;
  if (::RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
    return setting;
  DWORD type = REG_NONE;
  DWORD number = 0;
  DWORD size = sizeof number;
  const LSTATUS status = ::RegQueryValueExW(key.Get(), Widen(name).c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(&number), &size);
  // A value too big for the buffer of a number is there all the same.
  if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return setting;
  setting.Kind = SettingValue::Type::Other;
  if (status == ERROR_MORE_DATA) return setting;
  if (type == REG_DWORD && size == sizeof number) {
    setting.Kind = SettingValue::Type::Number;
    setting.Number = number;
  }
  return setting;
}

bool RegistrySettings::WriteNumber(const std::string& name, std::uint32_t value) const {
  RegistryKey key;
  if (!CreateOrOpen(root_, subKey_, KEY_SET_VALUE, key)) return false;
  const DWORD number = value;
  return ::RegSetValueExW(key.Get(), Widen(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&number), sizeof number) == ERROR_SUCCESS;
}

bool RegistrySettings::Ensure() const {
  RegistryKey key;
  return CreateOrOpen(root_, subKey_, KEY_READ | KEY_WRITE, key);
}

RegistrySettings MachineRegistrySettings() {
  return RegistrySettings(HKEY_LOCAL_MACHINE, "SOFTWARE\\FreeTALVO_DriveCloning");
}

}  // namespace drivecopy::windows_backend
