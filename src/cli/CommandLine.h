#pragma once
#include <ostream>

namespace drivecopy {

// Runs the command line: `drivecopy [--machine FILE|demo] COMMAND ...`.
// Returns the exit status (0 success, 1 failure, 2 wrong usage).
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace drivecopy
