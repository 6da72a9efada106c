#include <iostream>

#include "app/MachineChoice.h"
#include "cli/CommandLine.h"
#ifdef DRIVECOPY_WITH_DESKTOP
#include "desktop/application/DesktopMain.h"
#endif

// Without a command the program is the desktop application; with one it is
// the command line.
int main(int argc, char** argv) {
#ifdef DRIVECOPY_WITH_DESKTOP
  if (drivecopy::IsDesktopInvocation(argc, argv))
    return drivecopy::RunDesktop(argc, argv, drivecopy::ChoosePlatform);
#endif
  return drivecopy::RunCommandLine(argc, argv, std::cout, std::cerr, drivecopy::ChoosePlatform);
}
