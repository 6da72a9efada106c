#include "cli/ListCommand.h"

#include <clocale>
#include <nlohmann/json.hpp>

#include "cli/DeviceNames.h"
#include "disk/PartitionTypeName.h"
#include "image/SourceKindName.h"
#include "platform/KindTags.h"

namespace drivecopy {
namespace {

constexpr const char* ListUsage =
    "Usage: drivecopy [--machine FILE|demo] list [--json]\n"
    "Shows the floppies, physical drives with their partitions, and logical drives\n"
    "that the drive lists offer, with the captions they show and the name each\n"
    "row goes by in create, restore and clone.\n"
    "  --json   print one JSON object: drives (with partitions), floppies, volumes;\n"
    "           each row's \"name\" is the name the commands take\n";

// The decimal separator of the user's locale, for the size texts; the
// numeric locale is put back so that nothing else is affected.
char LocaleDecimalSeparator() {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  char separator = '.';
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] != '\0') separator = point[0];
  }
  std::setlocale(LC_NUMERIC, previous.c_str());
  return separator;
}

nlohmann::json RangeFields(const NamedRow& named) {
  const DriveRow& row = named.Row;
  const SectorRange range = RecordSectorRange(row.Record);
  return {
      {"name", named.Name},      {"caption", row.Caption},           {"devicePath", row.Record.DevicePath},
      {"kind", row.Record.Kind}, {"firstSector", range.FirstSector}, {"endSector", range.EndSector}};
}

nlohmann::json WithRoot(const NamedRow& named) {
  nlohmann::json entry = RangeFields(named);
  entry["rootPath"] = named.Row.Record.RootPath;
  return entry;
}

nlohmann::json ToJson(const ListedDevices& listing) {
  nlohmann::json drives = nlohmann::json::array();
  nlohmann::json floppies = nlohmann::json::array();
  for (const ListedDrive& drive : listing.Drives) {
    if (drive.Drive.Row.Record.Kind == KindFloppy) {
      floppies.push_back(WithRoot(drive.Drive));
      continue;
    }
    nlohmann::json entry = RangeFields(drive.Drive);
    entry["driveNumber"] = drive.Drive.Row.Record.DriveNumber;
    if (drive.TableUnreadable) entry["partitionTableUnreadable"] = drive.TableUnreadable->text;
    entry["partitions"] = nlohmann::json::array();
    for (const NamedRow& partition : drive.Partitions) {
      const DriveRecord& record = partition.Row.Record;
      const auto& layoutEntry = record.Layout.PartitionEntry[record.EntryIndex];
      nlohmann::json p = RangeFields(partition);
      p["entryIndex"] = record.EntryIndex;
      p["partitionNumber"] = layoutEntry.PartitionNumber;
      p["partitionType"] = layoutEntry.PartitionType;
      p["typeName"] = PartitionTypeName(layoutEntry.PartitionType);
      entry["partitions"].push_back(std::move(p));
    }
    drives.push_back(std::move(entry));
  }
  nlohmann::json volumes = nlohmann::json::array();
  for (const NamedRow& volume : listing.Volumes) volumes.push_back(WithRoot(volume));
  nlohmann::json notAnswering = nlohmann::json::array();
  for (const DriveProblem& drive : listing.NotAnswering) {
    notAnswering.push_back(
        {{"devicePath", drive.DevicePath}, {"driveNumber", drive.DriveNumber}, {"reason", drive.Why.text}});
  }
  return {{"drives", drives}, {"floppies", floppies}, {"volumes", volumes}, {"notAnswering", notAnswering}};
}

void PrintRow(std::ostream& out, const NamedRow& named, const std::string& indent) {
  const DriveRow& row = named.Row;
  const SectorRange range = RecordSectorRange(row.Record);
  // Captions end with a blank; the quotes keep it visible.
  out << indent << '"' << row.Caption << "\"\n"
      << indent << "    " << SourceKindName(row.Record.Kind) << "  " << named.Name << "  sectors "
      << range.FirstSector << " to " << range.EndSector << " (exclusive)\n";
}

void PrintText(std::ostream& out, const ListedDevices& listing) {
  out << "Physical drives:\n";
  if (listing.Drives.empty()) out << "  (none)\n";
  // Floppies first, as the drive list shows them.
  for (const bool floppies : {true, false}) {
    for (const ListedDrive& drive : listing.Drives) {
      if ((drive.Drive.Row.Record.Kind == KindFloppy) != floppies) continue;
      PrintRow(out, drive.Drive, "  ");
      if (drive.TableUnreadable) {
        out << "      (the partition table cannot be read: reading the first sector failed: "
            << drive.TableUnreadable->text << ")\n";
      }
      for (const NamedRow& partition : drive.Partitions) PrintRow(out, partition, "      ");
      for (const OutdatedPartitionNode& node : listing.OutdatedNodes) {
        if (node.DiskPath != drive.Drive.Row.Record.DevicePath) continue;
        out << "      (" << node.Path << " is not where the partition table now puts partition "
            << node.Number << ": the changed table has not been read by the system yet)\n";
      }
    }
  }
  // A drive that does not answer is left out, but not in silence.
  for (const DriveProblem& drive : listing.NotAnswering) {
    out << "  (" << drive.DevicePath << ", drive " << drive.DriveNumber
        << ", is not listed: " << drive.Why.text << ")\n";
  }
  out << "Logical drives:\n";
  if (listing.Volumes.empty()) out << "  (none)\n";
  for (const NamedRow& volume : listing.Volumes) PrintRow(out, volume, "  ");
}

}  // namespace

int RunListCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg == "--help" || arg == "-h") {
      out << ListUsage;
      return 0;
    } else {
      err << "drivecopy list: unknown argument '" << arg << "' (see drivecopy list --help)\n";
      return 2;
    }
  }
  const ListedDevices listing = ListDevices(platform, LocaleDecimalSeparator());
  if (json) {
    out << ToJson(listing).dump(2) << '\n';
  } else {
    PrintText(out, listing);
  }
  if (listing.NoDriveOpened) {
    const bool linux = platform.MessageVariant() == "linux";
    err << "drivecopy list: no physical drive could be opened; opening drives needs administrator rights "
        << (linux ? "(run it as root, e.g. sudo drivecopy list, or as a member of the disk group)"
                  : "(run it from a command prompt started with \"Run as administrator\")")
        << "\n";
  }
  return 0;
}

}  // namespace drivecopy
