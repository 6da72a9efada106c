#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace drivecopy {

// `drivecopy info IMAGE [--verify] [--json]`: shows what an image file holds
// (raw: size and sectors; headed: every header field, the partition starts
// and the number of blocks), as text or as one JSON object. --verify also
// decodes every block and checks the index. `args` are the words after
// "info". Returns 0 on success, 1 when the image cannot be read or --verify
// finds a fault (one line on `err` saying which block and what), 2 on wrong
// usage.
int RunInfoCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err);

}  // namespace drivecopy
