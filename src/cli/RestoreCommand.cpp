#include "cli/RestoreCommand.h"

#include "cli/DeviceNames.h"
#include "cli/JobCommandSupport.h"
#include "cli/StopSignal.h"
#include "jobs/JobReport.h"
#include "jobs/RestoreImageJob.h"
#include "jobs/RestoreSetup.h"

namespace drivecopy {
namespace {

constexpr const char* RestoreUsage =
    "Usage: drivecopy [--machine FILE|demo] restore IMAGE DESTINATION [--verify] [--yes]\n"
    "\n"
    "Writes the sectors held in the image file IMAGE (raw or headed) onto DESTINATION,\n"
    "from its first sector on. DESTINATION is a name that drivecopy list shows: a whole\n"
    "drive by its device path, a partition by its drive's path, '#' and its number (or on\n"
    "Linux by its own node, /dev/sdb1), a floppy by its root or device path, or an existing\n"
    "regular file. Volumes are not restore destinations.\n"
    "\n"
    "  --verify  read DESTINATION back at the end, past the system's cache, and\n"
    "            compare it with the image; each range that differs is named\n"
    "  --yes     overwrite DESTINATION without asking\n"
    "  --help    show this text\n"
    "\n"
    "The restore refuses, before writing anything, a destination smaller than the image,\n"
    "one that holds the image file, and one with a mounted file system. Without --yes the\n"
    "destination is overwritten only when the question is answered on the terminal.\n"
    "\n"
    "Exit status: 0 every sector written, 4 finished but sectors could not be written (each\n"
    "named in the memo), 6 the verification found sectors that differ, 3 stopped, 1 failed\n"
    "or not started, 2 wrong usage.\n";

}  // namespace

int RunRestoreCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                      std::ostream& err, const TerminalSetup& terminal) {
  const auto words = ParseCommandWords("restore", args, {"--yes", "--verify"}, {}, 2, err);
  if (!words) return 2;
  if (words->Help) {
    out << RestoreUsage;
    return 0;
  }
  const std::string& imagePath = words->Names[0];
  const std::string& destinationName = words->Names[1];
  const MessageTexts& texts = CommandLineTexts();

  const auto resolved = ResolveDeviceName(platform, destinationName);
  if (const auto* problem = std::get_if<std::string>(&resolved)) {
    err << "drivecopy restore: " << *problem << '\n';
    return 1;
  }
  const NamedDevice& destination = std::get<NamedDevice>(resolved);
  if (destination.Kind == NamedKind::Volume) {
    err << "drivecopy restore: " << destinationName
        << " is a volume; an image is restored onto a whole drive, a partition or a floppy "
           "(see drivecopy list)\n";
    return 1;
  }

  const auto sizeLine = ImageSizeLine(platform, texts, imagePath);
  if (!sizeLine) {
    err << "drivecopy restore: " << sizeLine.error().text << '\n';
    return 1;
  }
  auto target = RestoreDestinationFromRecord(platform, texts, destination.Row.Record);
  if (!target) {
    err << "drivecopy: " << texts.strSTitleERROR << ": " << target.error().text << '\n';
    return 1;
  }
  if (destination.Kind == NamedKind::RegularFile) target->Description = destination.Row.Caption;

  // Until here nothing was touched, and Ctrl-C ends the program at once,
  // even while a device is looked at; from here on it is Cancel, and the
  // memo lines below show it is in place.
  if (terminal.CatchInterrupt) StopSignal::Install();
  TerminalObserver observer(out, err, terminal, PresetAnswers{words->Flags.contains("--yes"), false});
  OperationMemo memo;
  JobReport report(texts, memo, observer);
  // What the restore page and window show before Start: the image's size
  // and the destination under its "Destination Drive" heading.
  report.Line(sizeLine.value());
  report.Line(texts.strSDestDrive + ": " + target->Description);

  RestoreImageParameters parameters;
  parameters.DevicePath = target->DevicePath;
  parameters.FirstSector = target->Range.FirstSector;
  parameters.EndSector = target->Range.EndSector;
  parameters.ImagePath = imagePath;
  parameters.Description = target->Description;
  parameters.Verify = words->Flags.contains("--verify");

  const JobOutcome outcome = RunRestoreImageJob(platform, texts, parameters, memo, observer);
  return EndJobCommand("restore", outcome, observer, err);
}

}  // namespace drivecopy
