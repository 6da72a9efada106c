#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/SimulatedMachine.h"
#include "platform/sim/WindowsErrors.h"

namespace drivecopy::embedded {
std::string_view DemoMachineData();
}

namespace drivecopy {

Outcome<std::unique_ptr<Platform>> MakeSimulatedMachine(std::string_view descriptionJson,
                                                        const std::string& baseDirectory) {
  auto machine = SimulatedMachine::Build(descriptionJson, baseDirectory);
  if (!machine) return machine.error();
  return std::unique_ptr<Platform>(std::move(machine.value()));
}

Outcome<std::unique_ptr<Platform>> LoadSimulatedMachine(const std::string& descriptionPath) {
  std::ifstream file(descriptionPath, std::ios::binary);
  if (!file) {
    Failure missing = sim::WindowsError(sim::ErrorFileNotFound);
    missing.text += " (" + descriptionPath + ")";
    return missing;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::absolute(descriptionPath, ignored).parent_path();
  return MakeSimulatedMachine(text.str(), folder.string());
}

Outcome<std::unique_ptr<Platform>> MakeDemoMachine() {
  // The demo names no files of its own, so the folder does not matter.
  return MakeSimulatedMachine(embedded::DemoMachineData(), ".");
}

}  // namespace drivecopy
