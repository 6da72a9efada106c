#pragma once
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/TerminalObserver.h"
#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "text/FillPlaceholders.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The words of a job command: its positional names, the flags given and the
// values of options that take one.
struct CommandWords {
  std::vector<std::string> Names;
  std::set<std::string> Flags;
  std::map<std::string, std::string> Values;
  bool Help = false;
};

// Parses the words after the command: `flags` are options without a value,
// `valued` options with one ("--compression high" or "--compression=high");
// "--" ends the options. Exactly `nameCount` names are expected unless
// --help is given. On a mistake tells `err` ("drivecopy <command>: ...") and
// returns nullopt: the caller exits with status 2.
std::optional<CommandWords> ParseCommandWords(const std::string& command,
                                              const std::vector<std::string>& args,
                                              const std::set<std::string>& flags,
                                              const std::set<std::string>& valued, std::size_t nameCount,
                                              std::ostream& err);

// The message texts the command line speaks: English, whatever the desktop's
// stored language, so that its output reads the same on every machine.
const MessageTexts& CommandLineTexts();

// The exit status of a finished job: 0 Finished, 4 FinishedWithProblems,
// 3 Stopped, 1 Failed or NotStarted.
int ExitStatusOf(JobStatus status);

// Ends a job command: removes the progress line, makes sure a failure or
// refusal has its reason on `err` (the observer has usually said it), and
// returns the exit status: that of the job, or 5 when the job finished (0 or
// 4) but the log it was asked to save could not be written. A verification
// after the job decides over those: 6 when it found sectors that differ, 3
// when it was stopped, 1 when it was not possible.
int EndJobCommand(const std::string& command, const JobOutcome& outcome, TerminalObserver& observer,
                  std::ostream& err);

}  // namespace drivecopy
