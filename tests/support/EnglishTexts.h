#pragma once

#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

namespace drivecopy::test_support {

// The program's message texts in English, loaded once for all tests.
inline const MessageTexts& EnglishTexts() {
  static const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), LanguageEnglish);
  return texts;
}

}  // namespace drivecopy::test_support
