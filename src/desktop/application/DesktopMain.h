#pragma once

#include "platform/PlatformChooser.h"

namespace drivecopy {

// True when the arguments name no command: only the desktop options
// (--machine, --language, --screenshots) and Qt's own options (-platform ...).
bool IsDesktopInvocation(int argc, char** argv);

// Runs the desktop application: `drivecopy [--machine FILE|demo] [--language N]
// [--screenshots DIR]`. Returns the process exit status: 2 for a wrong option
// and, before the toolkit is started, when there is no display to draw on.
int RunDesktop(int argc, char** argv, const PlatformChooser& choosePlatform);

}  // namespace drivecopy
