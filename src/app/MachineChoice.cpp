#include "app/MachineChoice.h"

#include "platform/linux/LinuxPlatform.h"
#include "platform/sim/SimulatedMachine.h"

namespace drivecopy {

Outcome<std::unique_ptr<Platform>> ChoosePlatform(const std::string& machine) {
  if (machine.empty()) return MakeLinuxPlatform();
  if (machine == "demo") return MakeDemoMachine();
  return LoadSimulatedMachine(machine);
}

}  // namespace drivecopy
