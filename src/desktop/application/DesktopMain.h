#pragma once

#include "platform/AdministratorRights.h"
#include "platform/PlatformChooser.h"

namespace drivecopy {

// True when the arguments name no command: only the desktop options
// (--machine, --language, --screenshots, --ask-for-rights, --wayland-socket)
// and Qt's own options (-platform ...).
bool IsDesktopInvocation(int argc, char** argv);

// Runs the desktop application: `drivecopy [--machine FILE|demo] [--language N]
// [--screenshots DIR] [--ask-for-rights]`. Returns the process exit status: 2
// for a wrong option and, before the toolkit is started, when there is no
// display to draw on; after a rerun with administrator rights (`rights`,
// --ask-for-rights), the rerun's status.
int RunDesktop(int argc, char** argv, const PlatformChooser& choosePlatform, AdministratorRights& rights);

}  // namespace drivecopy
