#include "shell/StoredLanguage.h"

#include "shell/MessageCatalogue.h"

namespace drivecopy {

int ReadStoredLanguage(Platform& platform) {
  // Without write access (no administrator rights) the store may be readable
  // but not creatable; reading anyway keeps the user's choice in that case.
  platform.EnsureSettingsStore();
  const SettingValue stored = platform.ReadSetting(LanguageSettingName);
  if (stored.Kind == SettingValue::Type::Number && IsValidLanguage(stored.Number)) {
    return static_cast<int>(stored.Number);
  }
  // A failed write-back only means the repair is tried again at the next start.
  platform.WriteSettingNumber(LanguageSettingName, LanguageEnglish);
  return LanguageEnglish;
}

}  // namespace drivecopy
