#include "cli/CloneCommand.h"

#include "cli/DeviceNames.h"
#include "cli/JobCommandSupport.h"
#include "cli/StopSignal.h"
#include "jobs/CloneJob.h"
#include "jobs/CloneSetup.h"
#include "jobs/JobReport.h"
#include "jobs/LogFileNames.h"

namespace drivecopy {
namespace {

constexpr const char* CloneUsage =
    "Usage: drivecopy [--machine FILE|demo] clone SOURCE DESTINATION [--verify] [--log] [--yes]\n"
    "\n"
    "Copies SOURCE onto DESTINATION sector for sector: a whole drive onto a whole drive,\n"
    "a partition onto a partition, or a floppy onto a drive, partition or floppy. Names\n"
    "are those drivecopy list shows: a drive by its device path, a partition by its\n"
    "drive's path, '#' and its number (or on Linux by its own node, /dev/sdb1), a floppy\n"
    "by its root or device path; a regular file stands for a whole drive of its size.\n"
    "DESTINATION must be at least as large as SOURCE; what lies beyond stays as it is.\n"
    "\n"
    "  --verify  read DESTINATION back at the end, past the system's cache, and\n"
    "            compare it with SOURCE; each range that differs is named\n"
    "  --log     save the memo as \"TALVO_Cloning_Log <date>.txt\" in the current folder\n"
    "  --yes     overwrite DESTINATION without asking\n"
    "  --help    show this text\n"
    "\n"
    "Unreadable source sectors are written as zeros and named in the memo. Without --yes\n"
    "the destination is overwritten only when the question is answered on the terminal.\n"
    "\n"
    "Exit status: 0 every sector read and written, 4 finished but sectors were unreadable\n"
    "or unwritable (each named in the memo), 6 the verification found sectors that differ,\n"
    "3 stopped, 1 failed or not started, 2 wrong usage.\n";

// The pairing the clone lists enforce: a partition goes onto a partition, a
// whole drive onto no partition; a floppy goes anywhere.
std::optional<std::string> PairingProblem(const NamedDevice& source, const NamedDevice& destination) {
  const bool sourceIsDrive = source.Kind == NamedKind::Drive || source.Kind == NamedKind::RegularFile;
  if (source.Kind == NamedKind::Partition && destination.Kind != NamedKind::Partition) {
    return "a partition is cloned onto a partition, and the destination is " +
           NamedKindText(destination.Kind);
  }
  if (sourceIsDrive && destination.Kind == NamedKind::Partition) {
    return "a whole drive is cloned onto a whole drive, and the destination is a partition";
  }
  return std::nullopt;
}

}  // namespace

int RunCloneCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                    std::ostream& err, const TerminalSetup& terminal) {
  const auto words = ParseCommandWords("clone", args, {"--log", "--yes", "--verify"}, {}, 2, err);
  if (!words) return 2;
  if (words->Help) {
    out << CloneUsage;
    return 0;
  }
  const MessageTexts& texts = CommandLineTexts();

  std::vector<NamedDevice> ends;
  for (const std::string& name : words->Names) {
    const auto resolved = ResolveDeviceName(platform, name);
    if (const auto* problem = std::get_if<std::string>(&resolved)) {
      err << "drivecopy clone: " << *problem << '\n';
      return 1;
    }
    const NamedDevice& device = std::get<NamedDevice>(resolved);
    if (device.Kind == NamedKind::Volume) {
      err << "drivecopy clone: " << name
          << " is a volume; clone copies whole drives, partitions and floppies (see drivecopy list)\n";
      return 1;
    }
    ends.push_back(device);
  }
  if (const auto problem = PairingProblem(ends[0], ends[1])) {
    err << "drivecopy clone: " << *problem << '\n';
    return 1;
  }

  // The two Next clicks of the clone set-up, in order.
  CloneSelection selection;
  std::vector<std::string> setupLines;
  for (const NamedDevice& device : ends) {
    auto step = selection.Next(platform, texts, device.Row);
    if (!step) {
      err << "drivecopy: " << texts.strSTitleERROR << ": " << step.error().text << '\n';
      return 1;
    }
    for (const std::string& line : step.value().CloneMemoLines) setupLines.push_back(line);
  }

  const bool writeLog = words->Flags.contains("--log");
  CloneParameters parameters = selection.Parameters(writeLog);
  parameters.Verify = words->Flags.contains("--verify");
  // The overwrite question names the destination; a floppy has no
  // description in the clone window and a file none of its own, so the
  // question names them by their list caption.
  if (ends[1].Kind == NamedKind::RegularFile || parameters.DestinationDescription.empty()) {
    parameters.DestinationDescription = ends[1].Row.Caption;
  }

  // Until here nothing was touched, and Ctrl-C ends the program at once,
  // even while a device is looked at; from here on it is Cancel, and the
  // memo lines below show it is in place.
  if (terminal.CatchInterrupt) StopSignal::Install();
  TerminalObserver observer(out, err, terminal, PresetAnswers{words->Flags.contains("--yes"), false});
  OperationMemo memo;
  JobReport report(texts, memo, observer);
  for (const std::string& line : setupLines) report.Line(line);
  if (writeLog) {
    const std::string logName = CloneLogName(platform.CurrentDirectory(), platform.PathSeparator(),
                                             platform.ShortDateFormat(), platform.Today());
    report.Line(CloneLogAnnouncement(texts, logName));
  }

  const JobOutcome outcome = RunCloneJob(platform, texts, parameters, memo, observer);
  return EndJobCommand("clone", outcome, observer, err);
}

}  // namespace drivecopy
