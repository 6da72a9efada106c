#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drivecopy {

// The names of the six languages, in number order (language 1 first).
const std::array<std::string_view, 6>& LanguageNames();

// "%d - is not a valid property value!" CR "Value must be within [1..%d]!"
// with `language` and 6: the error of a language number outside 1..6.
std::string InvalidLanguageText(long long language);

// One window's translator: holds the window's current language (its design
// language until told otherwise) and applies the window's tables when the
// language changes.
class LanguageTranslator {
 public:
  explicit LanguageTranslator(int designLanguage);
  virtual ~LanguageTranslator() = default;
  LanguageTranslator(const LanguageTranslator&) = delete;
  LanguageTranslator& operator=(const LanguageTranslator&) = delete;

  int Language() const { return language_; }

  // A number outside 1..6 is refused with InvalidLanguageText and changes
  // nothing. The language it already has does nothing and raises no event.
  // Otherwise: ApplyTables(language), then the change event.
  std::optional<std::string> SetLanguage(long long language);

  // The change event (the main window's runs UpdateStrings).
  void SetChangeHandler(std::function<void()> handler) { changeHandler_ = std::move(handler); }

 protected:
  // Sets every property of the window whose text in `language` is not empty.
  virtual void ApplyTables(int language) = 0;

 private:
  int language_;
  std::function<void()> changeHandler_;
};

// The language dispatcher: the active language (2 until set) and the
// translators linked to it.
class LanguageDispatcher {
 public:
  int ActiveLanguage() const { return activeLanguage_; }

  // Stores `language` and sets it on every linked translator. A number outside
  // 1..6 is refused with InvalidLanguageText and changes nothing.
  std::optional<std::string> SetActiveLanguage(long long language);

  // Links a translator (a second link of the same one does nothing) and sets
  // it to the active language. The translator must outlive its link: Unlink
  // it before destroying it.
  void Link(LanguageTranslator& translator);
  void Unlink(LanguageTranslator& translator);

 private:
  int activeLanguage_ = 2;
  std::vector<LanguageTranslator*> translators_;
};

}  // namespace drivecopy
