#pragma once

#include "platform/Platform.h"

namespace drivecopy {

// The name of the stored language value in the settings store.
inline constexpr const char* LanguageSettingName = "Language";

// The language to start in, by the start-up rule: make sure the settings store
// exists, then read "Language". A stored number from 1 to 6 is used as it is.
// A value that is missing, not a number or outside 1..6 is replaced: 2
// (English) is written back and used. When the store cannot be created or
// written the program still starts, in English; this function never fails.
int ReadStoredLanguage(Platform& platform);

}  // namespace drivecopy
