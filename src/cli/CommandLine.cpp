#include "cli/CommandLine.h"

namespace drivecopy {

int RunCommandLine(int, char**, std::ostream&, std::ostream& err) {
  err << "drivecopy: not built yet\n";
  return 2;
}

}  // namespace drivecopy
