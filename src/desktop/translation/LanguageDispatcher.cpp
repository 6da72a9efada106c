#include "desktop/translation/LanguageDispatcher.h"

#include <algorithm>

#include "text/MessageCatalogue.h"

namespace drivecopy {

const std::array<std::string_view, 6>& LanguageNames() {
  static constexpr std::array<std::string_view, 6> names = {"Deutsch",   "English",  "Japanese",
                                                            "Francaise", "Italiano", "Espanol"};
  return names;
}

std::string InvalidLanguageText(long long language) {
  return std::to_string(language) + " - is not a valid property value!\rValue must be within [1.." +
         std::to_string(LanguageCount) + "]!";
}

LanguageTranslator::LanguageTranslator(int designLanguage) : language_(designLanguage) {}

std::optional<std::string> LanguageTranslator::SetLanguage(long long language) {
  if (!IsValidLanguage(language)) return InvalidLanguageText(language);
  if (language == language_) return std::nullopt;
  language_ = static_cast<int>(language);
  ApplyTables(language_);
  if (changeHandler_) changeHandler_();
  return std::nullopt;
}

std::optional<std::string> LanguageDispatcher::SetActiveLanguage(long long language) {
  if (!IsValidLanguage(language)) return InvalidLanguageText(language);
  activeLanguage_ = static_cast<int>(language);
  // A change event may link or unlink translators; walk a copy of the list.
  const std::vector<LanguageTranslator*> linked = translators_;
  for (LanguageTranslator* translator : linked) translator->SetLanguage(activeLanguage_);
  return std::nullopt;
}

void LanguageDispatcher::Link(LanguageTranslator& translator) {
  if (std::find(translators_.begin(), translators_.end(), &translator) != translators_.end()) {
    return;
  }
  translators_.push_back(&translator);
  translator.SetLanguage(activeLanguage_);
}

void LanguageDispatcher::Unlink(LanguageTranslator& translator) { std::erase(translators_, &translator); }

}  // namespace drivecopy
