#include <iostream>

#include "app/MachineChoice.h"
#include "cli/CommandLine.h"
#ifdef DRIVECOPY_WITH_DESKTOP
#include "desktop/application/DesktopMain.h"
#include "platform/linux/PkexecRights.h"
#endif

// Without a command the program is the desktop application; with one it is
// the command line.
int main(int argc, char** argv) {
#ifdef DRIVECOPY_WITH_DESKTOP
  if (drivecopy::IsDesktopInvocation(argc, argv)) {
    const auto rights = drivecopy::MakePkexecRights();
    return drivecopy::RunDesktop(argc, argv, drivecopy::ChoosePlatform, *rights);
  }
#endif
  return drivecopy::RunCommandLine(argc, argv, std::cout, std::cerr, drivecopy::ChoosePlatform);
}
