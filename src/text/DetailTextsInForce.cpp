#include "text/DetailTextsInForce.h"

#include <array>
#include <atomic>

#include "text/FillPlaceholders.h"
#include "text/MessageCatalogue.h"

namespace drivecopy {

namespace {

std::atomic<int> languageInForce{LanguageEnglish};

// Every language's detail texts, loaded once, so that a switch never changes
// a text another thread is reading.
const std::array<DetailTexts, LanguageCount>& AllDetailTexts() {
  static const std::array<DetailTexts, LanguageCount> all = [] {
    std::array<DetailTexts, LanguageCount> loaded;
    for (int language = 1; language <= LanguageCount; ++language) {
      loaded[static_cast<std::size_t>(language - 1)] =
          UpdateStrings(MessageCatalogue::Builtin(), language).Details;
    }
    return loaded;
  }();
  return all;
}

}  // namespace

void UseDetailLanguage(int language) {
  if (IsValidLanguage(language)) languageInForce.store(language);
}

int DetailLanguage() { return languageInForce.load(); }

const DetailTexts& DetailsInForce() {
  return AllDetailTexts()[static_cast<std::size_t>(languageInForce.load() - 1)];
}

std::string Detail(std::string DetailTexts::*text, const std::vector<std::string>& values) {
  const std::string& message = DetailsInForce().*text;
  return values.empty() ? message : FillPlaceholders(message, values);
}

}  // namespace drivecopy
