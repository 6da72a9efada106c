#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace drivecopy {

// `drivecopy list [--json]`: the rows the drive lists show, in their order:
// floppy and physical drive rows, each drive's partition rows, then the
// logical drive rows. `args` are the words after "list".
int RunListCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err);

}  // namespace drivecopy
