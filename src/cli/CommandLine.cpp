#include "cli/CommandLine.h"

#include <string>
#include <vector>

#include "cli/CloneCommand.h"
#include "cli/CreateCommand.h"
#include "cli/InfoCommand.h"
#include "cli/ListCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/TerminalObserver.h"

namespace drivecopy {
namespace {

constexpr const char* Usage =
    "Usage: drivecopy [--machine FILE|demo] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  list [--json]                  show the drives, partitions, floppies and volumes\n"
    "  info IMAGE [--verify] [--json] show an image file's header; --verify checks every block\n"
    "  create SOURCE IMAGE [--compression raw|none|low|medium|high] [--virtual]\n"
    "         [--valid-partitions] [--log] [--yes] [--delete-on-stop]\n"
    "                                 image a drive, partition, floppy or volume into IMAGE\n"
    "  restore IMAGE DESTINATION [--yes]\n"
    "                                 write IMAGE onto a drive, partition or floppy\n"
    "  clone SOURCE DESTINATION [--log] [--yes]\n"
    "                                 copy a drive onto a drive or a partition onto a partition\n"
    "\n"
    "Options:\n"
    "  --machine demo   work on the built-in simulated demo machine (no real disk is touched)\n"
    "  --machine FILE   work on the simulated machine that the JSON file FILE describes\n"
    "  --help           show this text; COMMAND --help shows a command's own\n"
    "\n"
    "SOURCE and DESTINATION are names that list shows (COMMAND --help tells which).\n"
    "\n"
    "Exit status: 0 success, 1 failure (the reason on standard error), 2 wrong usage;\n"
    "create, restore and clone: 3 stopped with Ctrl-C, 4 finished but sectors could not\n"
    "be read or written (each named in the output).\n";

}  // namespace

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const PlatformChooser& choosePlatform) {
  std::vector<std::string> words(argv + 1, argv + argc);
  std::string machine;
  std::size_t next = 0;
  for (; next < words.size(); ++next) {
    const std::string& word = words[next];
    if (word == "--help" || word == "-h") {
      out << Usage;
      return 0;
    }
    if (word == "--machine") {
      if (next + 1 >= words.size()) {
        err << "drivecopy: --machine needs a description file or 'demo'\n";
        return 2;
      }
      machine = words[++next];
    } else if (word.starts_with("--machine=")) {
      machine = word.substr(std::string("--machine=").size());
    } else if (word.starts_with("-")) {
      err << "drivecopy: unknown option '" << word << "' (see drivecopy --help)\n";
      return 2;
    } else {
      break;
    }
  }
  if (next >= words.size()) {
    err << Usage;
    return 2;
  }
  const std::string command = words[next];
  const std::vector<std::string> args(words.begin() + static_cast<std::ptrdiff_t>(next) + 1, words.end());
  const bool jobCommand = command == "create" || command == "restore" || command == "clone";
  if (command != "list" && command != "info" && !jobCommand) {
    err << "drivecopy: unknown command '" << command << "' (see drivecopy --help)\n";
    return 2;
  }

  auto platform = choosePlatform(machine);
  if (!platform) {
    err << "drivecopy: cannot set up the machine" << (machine.empty() ? std::string() : " '" + machine + "'")
        << ": " << platform.error().text << '\n';
    return 1;
  }
  if (command == "list") return RunListCommand(*platform.value(), args, out, err);
  if (jobCommand) {
    const TerminalSetup terminal = ProcessTerminal(err);
    if (command == "create") return RunCreateCommand(*platform.value(), args, out, err, terminal);
    if (command == "restore") return RunRestoreCommand(*platform.value(), args, out, err, terminal);
    return RunCloneCommand(*platform.value(), args, out, err, terminal);
  }
  return RunInfoCommand(*platform.value(), args, out, err);
}

}  // namespace drivecopy
