#pragma once
#include <cstdint>

#include "desktop/shared/PromptService.h"
#include "desktop/translation/LanguageDispatcher.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The start-screen choice the user made last, which decides what the main
// window's pages and tool buttons do.
enum class JobKind : std::uint8_t { NoChoiceYet, CreateImage, RestoreImage, CloneDrives };

// What the desktop windows share for one run of the program: the platform
// (real or simulated), the prompt service, the language dispatcher, the
// loaded message texts (filled by the main window's creation before any other
// window is created) and the start-screen choice.
struct DesktopSession {
  DesktopSession(Platform& platformIn, PromptService& promptsIn) : platform(platformIn), prompts(promptsIn) {}

  Platform& platform;
  PromptService& prompts;
  LanguageDispatcher dispatcher;
  MessageTexts texts;
  JobKind jobKind = JobKind::NoChoiceYet;
};

}  // namespace drivecopy
