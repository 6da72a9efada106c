#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "cli/TerminalObserver.h"
#include "platform/Platform.h"

namespace drivecopy {

// `drivecopy restore IMAGE DESTINATION [--yes]`: writes IMAGE onto a drive,
// partition, floppy or existing regular file, from its first sector on.
// `args` are the words after "restore". Returns the exit status: 0 every
// sector written, 4 finished with unwritable sectors, 3 stopped, 1 failed or
// not started, 2 wrong usage.
int RunRestoreCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                      std::ostream& err, const TerminalSetup& terminal);

}  // namespace drivecopy
