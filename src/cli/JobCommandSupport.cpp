#include "cli/JobCommandSupport.h"

#include "text/MessageCatalogue.h"

namespace drivecopy {

std::optional<CommandWords> ParseCommandWords(const std::string& command,
                                              const std::vector<std::string>& args,
                                              const std::set<std::string>& flags,
                                              const std::set<std::string>& valued, std::size_t nameCount,
                                              std::ostream& err) {
  const std::string who = "drivecopy " + command + ": ";
  const std::string seeHelp = " (see drivecopy " + command + " --help)\n";
  CommandWords words;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || word == "-" || !word.starts_with("-")) {
      words.Names.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
    } else if (word == "--help" || word == "-h") {
      words.Help = true;
    } else if (flags.contains(word)) {
      words.Flags.insert(word);
    } else {
      const std::size_t equals = word.find('=');
      const std::string option = word.substr(0, equals);
      if (!valued.contains(option)) {
        err << who << "unknown option '" << word << "'" << seeHelp;
        return std::nullopt;
      }
      if (equals != std::string::npos) {
        words.Values[option] = word.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        words.Values[option] = args[++i];
      } else {
        err << who << option << " needs a value" << seeHelp;
        return std::nullopt;
      }
    }
  }
  if (!words.Help && words.Names.size() != nameCount) {
    err << who << (words.Names.size() < nameCount ? "too few" : "too many") << " names: expected "
        << nameCount << ", got " << words.Names.size() << seeHelp;
    return std::nullopt;
  }
  return words;
}

const MessageTexts& CommandLineTexts() {
  static const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), LanguageEnglish);
  return texts;
}

int ExitStatusOf(JobStatus status) {
  switch (status) {
    case JobStatus::Finished:
      return 0;
    case JobStatus::FinishedWithProblems:
      return 4;
    case JobStatus::Stopped:
      return 3;
    case JobStatus::Failed:
    case JobStatus::NotStarted:
      return 1;
  }
  return 1;
}

int EndJobCommand(const std::string& command, const JobOutcome& outcome, TerminalObserver& observer,
                  std::ostream& err) {
  observer.ClearProgress();
  int status = ExitStatusOf(outcome.Status);
  // The job did its work, but the record the user asked for is missing.
  if (outcome.LogNotWritten && (status == 0 || status == 4)) status = 5;
  // Wrong data on the destination outweighs a missing log; the pass runs
  // only after a job that finished.
  switch (outcome.Verification) {
    case VerifyResult::NotRun:
    case VerifyResult::Passed:
      break;
    case VerifyResult::Differs:
      status = 6;
      break;
    case VerifyResult::Stopped:
      status = 3;
      break;
    case VerifyResult::NotPossible:
      status = 1;
      break;
  }
  if (status == 1 && !observer.ReportedAnError()) {
    err << "drivecopy " << command << ": "
        << (outcome.ErrorText.empty() ? std::string("not started") : outcome.ErrorText) << '\n';
  }
  return status;
}

}  // namespace drivecopy
