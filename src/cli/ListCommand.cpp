#include "cli/ListCommand.h"

#include <clocale>
#include <nlohmann/json.hpp>

#include "disk/KindTags.h"
#include "disk/PartitionTypeName.h"
#include "imaging/SourceKindName.h"
#include "selection/DriveLists.h"

namespace drivecopy {
namespace {

constexpr const char* ListUsage =
    "Usage: drivecopy [--machine FILE|demo] list [--json]\n"
    "Shows the floppies, physical drives with their partitions, and logical drives\n"
    "that the drive lists offer, with the captions they show.\n"
    "  --json   print one JSON object: drives (with partitions), floppies, volumes\n";

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

struct DriveWithPartitions {
  DriveRow Drive;
  std::vector<DriveRow> Partitions;
};

struct Listing {
  std::vector<DriveRow> Floppies;
  std::vector<DriveWithPartitions> Drives;
  std::vector<DriveRow> Volumes;
  bool NoDriveOpened = false;
};

Listing Collect(Platform& platform) {
  DriveLists lists(platform);
  lists.SetDecimalSeparator(LocaleDecimalSeparator());
  Listing listing;
  const CloneEndpoint noCloneSource;
  PhysicalDriveListing physical = lists.PhysicalDriveRows(noCloneSource);
  listing.NoDriveOpened = physical.ShowAdminRightsMessage;
  for (DriveRow& row : physical.Rows) {
    if (row.Record.Kind == KindFloppy) {
      listing.Floppies.push_back(std::move(row));
    } else {
      DriveWithPartitions drive{std::move(row), {}};
      drive.Partitions = lists.PartitionRows(drive.Drive.Record, noCloneSource);
      listing.Drives.push_back(std::move(drive));
    }
  }
  listing.Volumes = lists.LogicalDriveRows();
  return listing;
}

nlohmann::json RangeFields(const DriveRow& row) {
  const SectorRange range = RecordSectorRange(row.Record);
  return {{"caption", row.Caption},
          {"devicePath", row.Record.DevicePath},
          {"kind", row.Record.Kind},
          {"firstSector", range.FirstSector},
          {"endSector", range.EndSector}};
}

nlohmann::json ToJson(const Listing& listing) {
  nlohmann::json drives = nlohmann::json::array();
  for (const DriveWithPartitions& drive : listing.Drives) {
    nlohmann::json entry = RangeFields(drive.Drive);
    entry["driveNumber"] = drive.Drive.Record.DriveNumber;
    entry["partitions"] = nlohmann::json::array();
    for (const DriveRow& partition : drive.Partitions) {
      const auto& layoutEntry = partition.Record.Layout.PartitionEntry[partition.Record.EntryIndex];
      nlohmann::json p = RangeFields(partition);
      p["entryIndex"] = partition.Record.EntryIndex;
      p["partitionNumber"] = layoutEntry.PartitionNumber;
      p["partitionType"] = layoutEntry.PartitionType;
      p["typeName"] = PartitionTypeName(layoutEntry.PartitionType);
      entry["partitions"].push_back(std::move(p));
    }
    drives.push_back(std::move(entry));
  }
  auto withRoot = [](const std::vector<DriveRow>& rows) {
    nlohmann::json list = nlohmann::json::array();
    for (const DriveRow& row : rows) {
      nlohmann::json entry = RangeFields(row);
      entry["rootPath"] = row.Record.RootPath;
      list.push_back(std::move(entry));
    }
    return list;
  };
  return {{"drives", drives}, {"floppies", withRoot(listing.Floppies)},
          {"volumes", withRoot(listing.Volumes)}};
}

void PrintRow(std::ostream& out, const DriveRow& row, const std::string& indent) {
  const SectorRange range = RecordSectorRange(row.Record);
  // Captions end with a blank; the quotes keep it visible.
  out << indent << '"' << row.Caption << "\"\n"
      << indent << "    " << SourceKindName(row.Record.Kind) << "  " << row.Record.DevicePath
      << "  sectors " << range.FirstSector << " to " << range.EndSector << " (exclusive)\n";
}

void PrintText(std::ostream& out, const Listing& listing) {
  out << "Physical drives:\n";
  if (listing.Floppies.empty() && listing.Drives.empty()) out << "  (none)\n";
  for (const DriveRow& floppy : listing.Floppies) PrintRow(out, floppy, "  ");
  for (const DriveWithPartitions& drive : listing.Drives) {
    PrintRow(out, drive.Drive, "  ");
    for (const DriveRow& partition : drive.Partitions) PrintRow(out, partition, "      ");
  }
  out << "Logical drives:\n";
  if (listing.Volumes.empty()) out << "  (none)\n";
  for (const DriveRow& volume : listing.Volumes) PrintRow(out, volume, "  ");
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
  const Listing listing = Collect(platform);
  if (json) {
    out << ToJson(listing).dump(2) << '\n';
  } else {
    PrintText(out, listing);
  }
  if (listing.NoDriveOpened) {
    err << "drivecopy list: no physical drive could be opened; opening drives needs "
           "administrator (root) rights\n";
  }
  return 0;
}

}  // namespace drivecopy
