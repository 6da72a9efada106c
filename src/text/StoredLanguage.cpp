#include "text/StoredLanguage.h"

#include "text/MessageCatalogue.h"

namespace drivecopy {

int ReadStoredLanguage(Platform& platform) {
  // Without write access (no administrator rights) neither the value nor its
  // repair can be trusted to stick, so the program starts in English.
  if (!platform.EnsureSettingsStore()) return LanguageEnglish;
  const SettingValue stored = platform.ReadSetting(LanguageSettingName);
  if (stored.Kind == SettingValue::Type::Number && IsValidLanguage(stored.Number)) {
    return static_cast<int>(stored.Number);
  }
  // A failed write-back only means the repair is tried again at the next start.
  platform.WriteSettingNumber(LanguageSettingName, LanguageEnglish);
  return LanguageEnglish;
}

}  // namespace drivecopy
