#pragma once
#include <cstdint>

#include "platform/Platform.h"
#include "desktop/translation/LanguageDispatcher.h"
#include "text/MessageTexts.h"
#include "desktop/shared/PromptService.h"

namespace drivecopy {

// What the desktop windows share for one run of the program: the platform
// (real or simulated), the prompt service, the language dispatcher and the
// loaded message texts (filled by the main window's creation before any other
// window is created), and JobKind (0 until the first start-screen choice, then
// 1 create image, 2 restore image, 3 clone drives).
struct DesktopSession {
  DesktopSession(Platform& platformIn, PromptService& promptsIn)
      : platform(platformIn), prompts(promptsIn) {}

  Platform& platform;
  PromptService& prompts;
  LanguageDispatcher dispatcher;
  MessageTexts texts;
  std::uint8_t JobKind = 0;
};

}  // namespace drivecopy
