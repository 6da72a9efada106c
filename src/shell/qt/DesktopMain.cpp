#include "shell/qt/DesktopMain.h"

#include <iostream>
#include <string>

namespace drivecopy {

bool IsDesktopInvocation(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--machine" || word == "--language" || word == "--screenshots" ||
        word == "-platform" || word == "-style" || word == "-display") {
      ++i;  // the option's value
      continue;
    }
    if (word.starts_with("--machine=") || word.starts_with("--language=") ||
        word.starts_with("--screenshots=")) {
      continue;
    }
    return false;  // a command, --help or something the command line must judge
  }
  return true;
}

int RunDesktop(int, char**) {
  std::cerr << "drivecopy: the desktop application is being built\n";
  return 1;
}

}  // namespace drivecopy
