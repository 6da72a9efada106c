#include <iostream>

#include "app/MachineChoice.h"
#include "cli/CommandLine.h"
#ifdef DRIVECOPY_WITH_DESKTOP
#include "desktop/application/DesktopMain.h"
#ifdef _WIN32
#include "platform/windows/ElevationRights.h"
#else
#include "platform/linux/PkexecRights.h"
#endif
#endif

// Without a command the program is the desktop application; with one it is
// the command line.
int main(int argc, char** argv) {
#ifdef DRIVECOPY_WITH_DESKTOP
  if (drivecopy::IsDesktopInvocation(argc, argv)) {
#ifdef _WIN32
    const auto rights = drivecopy::MakeElevationRights();
#else
    const auto rights = drivecopy::MakePkexecRights();
#endif
    return drivecopy::RunDesktop(argc, argv, drivecopy::ChoosePlatform, *rights);
  }
#endif
  return drivecopy::RunCommandLine(argc, argv, std::cout, std::cerr, drivecopy::ChoosePlatform);
}
