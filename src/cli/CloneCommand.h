#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "cli/TerminalObserver.h"
#include "platform/Platform.h"

namespace drivecopy {

// `drivecopy clone SOURCE DESTINATION [--log] [--yes]`: copies a drive onto a
// drive, a partition onto a partition, or a floppy, sector for sector, with
// the clone window's memo lines on `out`. `args` are the words after
// "clone". Returns the exit status: 0 every sector read and written, 4
// finished with unreadable or unwritable sectors, 3 stopped, 1 failed or not
// started, 2 wrong usage.
int RunCloneCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                    std::ostream& err, const TerminalSetup& terminal);

}  // namespace drivecopy
