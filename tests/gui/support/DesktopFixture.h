#pragma once
#include <memory>
#include <string>

#include "desktop/shared/DesktopSession.h"
#include "gui/support/ScriptedPromptService.h"
#include "platform/sim/SimulatedMachine.h"

namespace drivecopy::test_support {

// A desktop session on a simulated machine described by `machineJson`, with
// every dialog answered by a scripted prompt service. A description that does
// not build is a test error (the machine is then empty).
struct DesktopFixture {
  explicit DesktopFixture(const std::string& machineJson = "{}");

  std::unique_ptr<SimulatedMachine> machine;
  ScriptedPromptService prompts;
  DesktopSession session;
};

}  // namespace drivecopy::test_support
