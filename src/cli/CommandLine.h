#pragma once
#include <ostream>

#include "platform/PlatformChooser.h"

namespace drivecopy {

// Runs the command line: `drivecopy [--machine FILE|demo] COMMAND ...`.
// Returns the exit status: 0 success, 1 failure (or a job not started), 2 wrong
// usage, and for the jobs 3 stopped by the user, 4 finished with sectors that
// stayed unreadable or unwritable.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const PlatformChooser& choosePlatform);

}  // namespace drivecopy
