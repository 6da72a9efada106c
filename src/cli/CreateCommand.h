#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "cli/TerminalObserver.h"
#include "platform/Platform.h"

namespace drivecopy {

// `drivecopy create SOURCE IMAGE [--compression raw|none|low|medium|high]
// [--virtual] [--valid-partitions] [--log] [--yes] [--delete-on-stop]`:
// images a drive, partition, floppy, volume or regular file into IMAGE, with
// the create window's memo lines on `out`. `args` are the words after
// "create". Returns the exit status: 0 every sector read, 4 finished with
// unreadable sectors, 3 stopped, 1 failed or not started, 2 wrong usage.
int RunCreateCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err, const TerminalSetup& terminal);

}  // namespace drivecopy
