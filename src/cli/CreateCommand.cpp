#include "cli/CreateCommand.h"

#include "cli/DeviceNames.h"
#include "cli/JobCommandSupport.h"
#include "cli/StopSignal.h"
#include "jobs/CreateImageJob.h"
#include "jobs/CreateImageSetup.h"
#include "jobs/JobReport.h"
#include "jobs/LogFileNames.h"
#include "platform/Units.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

constexpr const char* CreateUsage =
    "Usage: drivecopy [--machine FILE|demo] create SOURCE IMAGE [OPTIONS]\n"
    "\n"
    "Reads SOURCE sector by sector into the image file IMAGE. SOURCE is a name that\n"
    "drivecopy list shows: a whole drive by its device path, a partition by its drive's\n"
    "path, '#' and its number (or on Linux by its own node, /dev/sdb1), a floppy by its\n"
    "root or device path, a volume by its drive name, mount point or root path, or a\n"
    "regular file (taken as a whole drive of its size).\n"
    "\n"
    "  --compression raw|none|low|medium|high\n"
    "                      raw (the default) stores the sectors back to back; the others\n"
    "                      write a headed image of compressed blocks at that level\n"
    "  --virtual           read and process everything but write no data (a headed image\n"
    "                      still gets its header, partition list and index)\n"
    "  --valid-partitions  a whole drive: read only up to the end of its last partition\n"
    "  --verify            read the finished image back past the system's cache and\n"
    "                      check it: every block of a headed image, a raw image\n"
    "                      against SOURCE read again (not with --virtual)\n"
    "  --log               save the memo as IMAGE.log at the end\n"
    "  --yes               replace IMAGE without asking when it exists\n"
    "  --delete-on-stop    delete the image when the run is stopped with Ctrl-C\n"
    "                      (otherwise the image is completed up to there and kept)\n"
    "  --help              show this text\n"
    "\n"
    "The memo lines go to standard output; a progress line goes to standard error when it\n"
    "is a terminal. Without --yes an existing IMAGE is replaced only when the question is\n"
    "answered on the terminal.\n"
    "\n"
    "Exit status: 0 every sector read, 4 finished but sectors were unreadable (each named\n"
    "in the memo, stored as zeros), 6 the verification found the image differs or is\n"
    "damaged, 3 stopped, 1 failed or not started, 2 wrong usage.\n";

std::optional<std::pair<bool, CompressionLevel>> CompressionChoice(const std::string& name) {
  if (name == "raw") return std::pair{true, CompressionLevel::Medium};
  if (name == "none") return std::pair{false, CompressionLevel::None};
  if (name == "low") return std::pair{false, CompressionLevel::Low};
  if (name == "medium") return std::pair{false, CompressionLevel::Medium};
  if (name == "high") return std::pair{false, CompressionLevel::High};
  return std::nullopt;
}

std::string CompressionCaption(const MessageTexts& texts, CompressionLevel level) {
  switch (level) {
    case CompressionLevel::None:
      return texts.strSCompressionNone;
    case CompressionLevel::Low:
      return texts.strSCompressionLow;
    case CompressionLevel::Medium:
      return texts.strSCompressionMedium;
    case CompressionLevel::High:
      return texts.strSCompressionHigh;
  }
  return {};
}

}  // namespace

int RunCreateCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                     std::ostream& err, const TerminalSetup& terminal) {
  const auto words = ParseCommandWords(
      "create", args, {"--virtual", "--valid-partitions", "--log", "--yes", "--delete-on-stop", "--verify"},
      {"--compression"}, 2, err);
  if (!words) return 2;
  if (words->Help) {
    out << CreateUsage;
    return 0;
  }
  const auto& flags = words->Flags;
  std::pair<bool, CompressionLevel> compression{true, CompressionLevel::Medium};
  if (auto given = words->Values.find("--compression"); given != words->Values.end()) {
    const auto choice = CompressionChoice(given->second);
    if (!choice) {
      err << "drivecopy create: --compression takes raw, none, low, medium or high, not '" << given->second
          << "'\n";
      return 2;
    }
    compression = *choice;
  }
  if (flags.contains("--verify") && flags.contains("--virtual")) {
    err << "drivecopy create: --verify reads back what was written, and --virtual writes no data\n";
    return 2;
  }
  const std::string& sourceName = words->Names[0];
  const std::string& imagePath = words->Names[1];
  const MessageTexts& texts = CommandLineTexts();

  const auto resolved = ResolveDeviceName(platform, sourceName);
  if (const auto* problem = std::get_if<std::string>(&resolved)) {
    err << "drivecopy create: " << *problem << '\n';
    return 1;
  }
  const NamedDevice& source = std::get<NamedDevice>(resolved);
  const bool wholeMedium = source.Kind == NamedKind::Drive || source.Kind == NamedKind::Floppy ||
                           source.Kind == NamedKind::RegularFile;
  if (flags.contains("--valid-partitions") && !wholeMedium) {
    // The create window offers the box only for a whole drive or a floppy.
    err << "drivecopy create: --valid-partitions applies to a whole drive or a floppy; " << sourceName
        << " is " << NamedKindText(source.Kind) << '\n';
    return 2;
  }

  const auto prepared = PrepareCreateSource(platform, source.Row.Record, {}, '.');
  if (!prepared) {
    err << "drivecopy: " << texts.strSTitleERROR << ": " << texts.strSBADDisk << '\n';
    return 1;
  }
  CreateImageParameters parameters;
  parameters.DevicePath = prepared->DevicePath;
  parameters.DeviceKind = prepared->Kind;
  parameters.FirstSector = prepared->Range.FirstSector;
  parameters.EndSector = prepared->Range.EndSector;
  parameters.Header = prepared->Header;
  parameters.ImagePath = imagePath;
  parameters.Raw = compression.first;
  parameters.Level = compression.second;
  parameters.Virtual = flags.contains("--virtual");
  parameters.WriteLog = flags.contains("--log");

  // Until here nothing was touched, and Ctrl-C ends the program at once,
  // even while a device is looked at; from here on it is Cancel, and the
  // memo lines below show it is in place.
  if (terminal.CatchInterrupt) StopSignal::Install();
  TerminalObserver observer(out, err, terminal,
                            PresetAnswers{flags.contains("--yes"), flags.contains("--delete-on-stop")});
  OperationMemo memo;
  JobReport report(texts, memo, observer);
  // The lines the create window adds before Start: its source line when it
  // is shown, then one line for each option ticked, as its boxes do.
  const std::string description = source.Kind == NamedKind::RegularFile
                                      ? source.Row.Caption
                                      : prepared->Description.value_or(source.Row.Caption);
  report.Line(texts.strSSourceDrive + ": " + description);
  if (!parameters.Raw) {
    // The window keeps its compression choice hidden; a headed image chosen
    // here is named in the memo, so the log tells how the image was written.
    report.Line(texts.strSCompression + ": " + CompressionCaption(texts, parameters.Level));
  }
  if (flags.contains("--valid-partitions")) {
    parameters.EndSector = ValidPartitionsEnd(parameters.Header, true);
    report.Line(FillPlaceholders(texts.strSOnlytoLastPartitionSector,
                                 {SizeText((parameters.EndSector - parameters.FirstSector) * BytesPerSector),
                                  std::to_string(parameters.EndSector)}));
  }
  if (parameters.Virtual) report.Line(texts.strSVirtualNoWrite);
  if (parameters.WriteLog) report.Line(CreateImageLogAnnouncement(texts, imagePath));

  parameters.Verify = flags.contains("--verify");
  const JobOutcome outcome = RunCreateImageJob(platform, texts, parameters, memo, observer);
  return EndJobCommand("create", outcome, observer, err);
}

}  // namespace drivecopy
