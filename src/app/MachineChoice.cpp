#include "app/MachineChoice.h"

#ifdef _WIN32
#include "platform/windows/WindowsPlatform.h"
#else
#include "platform/linux/LinuxPlatform.h"
#endif
#include "platform/sim/SimulatedMachine.h"

namespace drivecopy {

Outcome<std::unique_ptr<Platform>> ChoosePlatform(const std::string& machine) {
#ifdef _WIN32
  if (machine.empty()) return MakeWindowsPlatform();
#else
  if (machine.empty()) return MakeLinuxPlatform();
#endif
  if (machine == "demo") return MakeDemoMachine();
  return LoadSimulatedMachine(machine);
}

}  // namespace drivecopy
