#include "platform/sim/MachineDescription.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace {

using nlohmann::json;

// Thrown inside the parser only; ParseMachineDescription turns it into a value.
struct DescriptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw DescriptionError(where + ": " + what);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Catches misspelt keys, which would otherwise silently give a default.
void CheckKeys(const json& object, const std::string& where, std::initializer_list<const char*> allowed) {
  if (!object.is_object()) Fail(where, "must be an object");
  for (const auto& item : object.items()) {
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* key) { return item.key() == key; }))
      Fail(where, "unknown key \"" + item.key() + "\"");
  }
}

// An integer written as a JSON number, as "0x..." text, or as a byte count
// with a binary unit ("512 MiB", "1.5 GiB" is not allowed: whole units only).
std::int64_t Integer(const json& value, const std::string& where) {
  if (value.is_number_integer()) return value.get<std::int64_t>();
  if (!value.is_string()) Fail(where, "must be an integer");
  const std::string text = value.get<std::string>();
  try {
    std::size_t used = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      const std::int64_t number = std::stoll(text.substr(2), &used, 16);
      if (used + 2 == text.size()) return number;
    } else {
      const std::int64_t number = std::stoll(text, &used, 10);
      std::string unit = text.substr(used);
      unit.erase(0, unit.find_first_not_of(' '));
      const std::pair<const char*, std::int64_t> units[] = {
          {"", 1}, {"KiB", 1LL << 10}, {"MiB", 1LL << 20}, {"GiB", 1LL << 30}, {"TiB", 1LL << 40}};
      for (const auto& [name, factor] : units) {
        if (unit != name) continue;
        if (number > std::numeric_limits<std::int64_t>::max() / factor ||
            number < std::numeric_limits<std::int64_t>::min() / factor)
          Fail(where, "\"" + text + "\" is too large");
        return number * factor;
      }
    }
  } catch (const DescriptionError&) {
    throw;
  } catch (const std::exception&) {
    // stoll's own complaint; the text below says what is expected instead
  }
  Fail(where, "\"" + text + "\" is not an integer, hex number or size like \"512 MiB\"");
}

std::int64_t NonNegative(const json& value, const std::string& where) {
  const std::int64_t number = Integer(value, where);
  if (number < 0) Fail(where, "must not be negative");
  return number;
}

template <typename T>
T Bounded(const json& value, const std::string& where, std::int64_t low, std::int64_t high) {
  const std::int64_t number = Integer(value, where);
  if (number < low || number > high)
    Fail(where, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
  return static_cast<T>(number);
}

std::uint32_t U32(const json& value, const std::string& where) {
  return Bounded<std::uint32_t>(value, where, 0, 0xFFFFFFFFLL);
}

bool Boolean(const json& object, const char* key, bool fallback, const std::string& where) {
  if (!object.contains(key)) return fallback;
  if (!object[key].is_boolean()) Fail(where + "." + key, "must be true or false");
  return object[key].get<bool>();
}

std::string Text(const json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, "must be a text");
  return value.get<std::string>();
}

char Letter(const json& value, const std::string& where) {
  std::string text = Upper(Text(value, where));
  if (!text.empty() && text.back() == ':') text.pop_back();
  if (text.size() != 1 || text[0] < 'A' || text[0] > 'Z') Fail(where, "must be a letter A..Z");
  return text[0];
}

std::string ResolvePath(const std::string& path, const std::string& baseDirectory) {
  std::filesystem::path resolved(path);
  if (resolved.is_relative()) resolved = std::filesystem::path(baseDirectory) / resolved;
  return resolved.lexically_normal().string();
}

// Sector lists: numbers, or [first, last] pairs (both inclusive).
SectorSet Sectors(const json& list, const std::string& where) {
  if (!list.is_array()) Fail(where, "must be a list of sector numbers or [first, last] pairs");
  SectorSet sectors;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    if (list[i].is_array()) {
      if (list[i].size() != 2) Fail(at, "a range is [first, last]");
      const std::int64_t first = NonNegative(list[i][0], at);
      const std::int64_t last = NonNegative(list[i][1], at);
      if (last < first) Fail(at, "last lies before first");
      sectors.Add(first, last);
    } else {
      const std::int64_t sector = NonNegative(list[i], at);
      sectors.Add(sector, sector);
    }
  }
  return sectors;
}

ContentDescription Content(const json& object, const std::string& where, const std::string& baseDirectory) {
  ContentDescription content;
  if (object.contains("contentFile"))
    content.File = ResolvePath(Text(object["contentFile"], where + ".contentFile"), baseDirectory);
  if (object.contains("fill")) {
    const json& fill = object["fill"];
    if (fill.is_string())
      content.FillLabel = fill.get<std::string>();
    else if (fill.is_boolean()) {
      if (fill.get<bool>()) content.FillLabel = "TALVO demo";
    } else {
      Fail(where + ".fill", "must be true, false or a label text");
    }
  }
  if (object.contains("unreadableSectors"))
    content.Unreadable = Sectors(object["unreadableSectors"], where + ".unreadableSectors");
  if (object.contains("unwritableSectors"))
    content.Unwritable = Sectors(object["unwritableSectors"], where + ".unwritableSectors");
  if (object.contains("lostWriteSectors"))
    content.LostWrites = Sectors(object["lostWriteSectors"], where + ".lostWriteSectors");
  content.ShortReads = Boolean(object, "shortReads", false, where);
  content.ReadOnly = Boolean(object, "readOnly", false, where);
  if (object.contains("goneFromSector"))
    content.GoneFromSector = NonNegative(object["goneFromSector"], where + ".goneFromSector");
  return content;
}

DISK_GEOMETRY ExplicitGeometry(const json& object, const std::string& where, std::uint32_t defaultMediaType) {
  CheckKeys(object, where,
            {"cylinders", "tracksPerCylinder", "sectorsPerTrack", "bytesPerSector", "mediaType"});
  for (const char* key : {"cylinders", "tracksPerCylinder", "sectorsPerTrack", "bytesPerSector"})
    if (!object.contains(key)) Fail(where, std::string("needs \"") + key + "\"");
  DISK_GEOMETRY geometry;
  geometry.Cylinders = NonNegative(object["cylinders"], where + ".cylinders");
  geometry.TracksPerCylinder = U32(object["tracksPerCylinder"], where + ".tracksPerCylinder");
  geometry.SectorsPerTrack = U32(object["sectorsPerTrack"], where + ".sectorsPerTrack");
  geometry.BytesPerSector = U32(object["bytesPerSector"], where + ".bytesPerSector");
  geometry.MediaType =
      object.contains("mediaType") ? U32(object["mediaType"], where + ".mediaType") : defaultMediaType;
  return geometry;
}

IdentityAnswer Identity(const json& object, const char* key, IdentityAnswer fallback,
                        const std::string& where) {
  if (!object.contains(key)) return fallback;
  const json& value = object[key];
  if (value.is_null()) return IdentityAnswer{1, ""};
  if (value.is_string()) return IdentityAnswer{1, value.get<std::string>()};
  const std::string at = where + "." + key;
  CheckKeys(value, at, {"result"});
  if (!value.contains("result")) Fail(at, "needs \"result\"");
  return IdentityAnswer{Bounded<int>(value["result"], at + ".result", -1, 1000), ""};
}

std::vector<PARTITION_INFORMATION> Layout(const json& list, const std::string& where) {
  if (!list.is_array()) Fail(where, "must be a list of entries, or null");
  std::vector<PARTITION_INFORMATION> entries;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    const json& item = list[i];
    CheckKeys(item, at, {"startSector", "sectorCount", "number", "type", "hiddenSectors", "boot", "repeat"});
    if (!item.contains("startSector") || !item.contains("sectorCount") || !item.contains("type"))
      Fail(at, "needs \"startSector\", \"sectorCount\" and \"type\"");
    PARTITION_INFORMATION entry;
    const std::int64_t start = NonNegative(item["startSector"], at + ".startSector");
    const std::int64_t count = NonNegative(item["sectorCount"], at + ".sectorCount");
    entry.StartingOffset = start * 512;
    entry.PartitionLength = count * 512;
    entry.PartitionType = Bounded<std::uint8_t>(item["type"], at + ".type", 0, 255);
    entry.PartitionNumber = item.contains("number") ? U32(item["number"], at + ".number") : 0;
    entry.HiddenSectors = item.contains("hiddenSectors") ? U32(item["hiddenSectors"], at + ".hiddenSectors")
                                                         : static_cast<std::uint32_t>(start);
    const bool explicitHidden = item.contains("hiddenSectors");
    entry.BootIndicator = Boolean(item, "boot", false, at) ? 1 : 0;
    entry.RecognizedPartition = entry.PartitionType != 0 ? 1 : 0;
    const std::int64_t repeat =
        item.contains("repeat") ? Bounded<std::int64_t>(item["repeat"], at + ".repeat", 1, 100000) : 1;
    // Repeated entries follow one another, each numbered one higher (an
    // unnumbered container stays unnumbered).
    for (std::int64_t copy = 0; copy < repeat; ++copy) {
      entries.push_back(entry);
      entry.StartingOffset += entry.PartitionLength;
      if (entry.PartitionNumber != 0) ++entry.PartitionNumber;
      if (!explicitHidden) entry.HiddenSectors = static_cast<std::uint32_t>(entry.StartingOffset / 512);
    }
  }
  return entries;
}

PhysicalDriveDescription PhysicalDrive(const json& item, const std::string& where,
                                       const std::string& baseDirectory) {
  CheckKeys(item, where,
            {"number", "size", "noMedium", "damagedLayout", "geometry", "layout", "signature", "model",
             "interfaceType", "contentFile", "fill", "unreadableSectors", "unwritableSectors",
             "lostWriteSectors", "shortReads", "readOnly", "goneFromSector", "partitionTableBusy"});
  PhysicalDriveDescription drive;
  if (!item.contains("number")) Fail(where, "needs \"number\"");
  drive.Number = Bounded<int>(item["number"], where + ".number", 0, 999);
  drive.Content = Content(item, where, baseDirectory);
  if (item.contains("size")) {
    drive.Size = NonNegative(item["size"], where + ".size");
  } else if (drive.Content.File) {
    std::error_code error;
    const auto size = std::filesystem::file_size(*drive.Content.File, error);
    if (error) Fail(where + ".contentFile", *drive.Content.File + ": " + error.message());
    drive.Size = static_cast<std::int64_t>(size);
  } else {
    Fail(where, "needs \"size\" (or a \"contentFile\" to take it from)");
  }
  drive.NoMedium = Boolean(item, "noMedium", false, where);
  drive.PartitionTableBusy = Boolean(item, "partitionTableBusy", false, where);
  if (!item.contains("geometry") || item["geometry"] == "derived")
    drive.Geometry = DerivedGeometry(drive.Size, FixedMedia);
  else if (!item["geometry"].is_null())
    drive.Geometry = ExplicitGeometry(item["geometry"], where + ".geometry", FixedMedia);
  if (item.contains("layout")) {
    if (item["layout"].is_null())
      drive.LayoutFails = true;
    else
      drive.Layout = Layout(item["layout"], where + ".layout");
  }
  if (item.contains("signature")) drive.Signature = U32(item["signature"], where + ".signature");
  drive.Model = Identity(item, "model", IdentityAnswer{1, "Simulated Disk"}, where);
  drive.InterfaceType = Identity(item, "interfaceType", IdentityAnswer{1, "IDE"}, where);
  // A table pointing past the drive is a mistake unless the description
  // asks for a damaged table on purpose.
  const bool damagedLayout = Boolean(item, "damagedLayout", false, where);
  for (const PARTITION_INFORMATION& entry : drive.Layout)
    if (!damagedLayout && entry.PartitionType != 0 &&
        entry.StartingOffset + entry.PartitionLength > drive.Size)
      Fail(where + ".layout", "an entry ends beyond the drive's size");
  return drive;
}

FloppyDescription Floppy(const json& item, const std::string& where, const std::string& baseDirectory) {
  CheckKeys(
      item, where,
      {"letter", "medium", "geometry", "fileSystem", "volumeName", "contentFile", "fill", "unreadableSectors",
       "unwritableSectors", "lostWriteSectors", "shortReads", "readOnly", "goneFromSector"});
  FloppyDescription floppy;
  if (!item.contains("letter")) Fail(where, "needs \"letter\"");
  floppy.Letter = Letter(item["letter"], where + ".letter");
  if (floppy.Letter != 'A' && floppy.Letter != 'B') Fail(where + ".letter", "must be A or B");
  floppy.HasMedium = Boolean(item, "medium", true, where);
  floppy.Geometry = item.contains("geometry")
                        ? ExplicitGeometry(item["geometry"], where + ".geometry", F3_1Pt44_512)
                        : HighDensityFloppyGeometry();
  if (item.contains("fileSystem")) floppy.FileSystem = Text(item["fileSystem"], where + ".fileSystem");
  if (item.contains("volumeName")) floppy.VolumeName = Text(item["volumeName"], where + ".volumeName");
  floppy.Content = Content(item, where, baseDirectory);
  return floppy;
}

int DriveTypeNumber(const json& value, const std::string& where) {
  if (value.is_string()) {
    const std::pair<const char*, int> names[] = {{"unknown", DriveUnknown},     {"noRootDir", DriveNoRootDir},
                                                 {"removable", DriveRemovable}, {"fixed", DriveFixed},
                                                 {"remote", DriveRemote},       {"cdrom", DriveCdRom},
                                                 {"ramdisk", DriveRamDisk}};
    for (const auto& [name, number] : names)
      if (value.get<std::string>() == name) return number;
    Fail(where, "unknown drive type \"" + value.get<std::string>() + "\"");
  }
  return Bounded<int>(value, where, 0, 6);
}

VolumeDescription Volume(const json& item, const std::string& where, const std::string& baseDirectory) {
  CheckKeys(item, where,
            {"letter", "driveType", "ready", "fileSystem", "volumeName", "partition", "size", "freeBytes",
             "totalBytes", "directory", "contentFile", "fill", "unreadableSectors", "unwritableSectors",
             "lostWriteSectors", "shortReads", "inUse", "readOnly", "goneFromSector"});
  VolumeDescription volume;
  if (!item.contains("letter")) Fail(where, "needs \"letter\"");
  volume.Letter = Letter(item["letter"], where + ".letter");
  if (volume.Letter < 'C') Fail(where + ".letter", "A: and B: are floppy slots");
  if (item.contains("driveType")) volume.DriveType = DriveTypeNumber(item["driveType"], where + ".driveType");
  volume.Ready = Boolean(item, "ready", true, where);
  volume.InUse = Boolean(item, "inUse", false, where);
  volume.FileSystem = "NTFS";
  if (item.contains("fileSystem")) {
    if (item["fileSystem"].is_null())
      volume.FileSystem.reset();
    else
      volume.FileSystem = Text(item["fileSystem"], where + ".fileSystem");
  }
  if (item.contains("volumeName")) volume.VolumeName = Text(item["volumeName"], where + ".volumeName");
  if (item.contains("partition")) {
    const std::string at = where + ".partition";
    CheckKeys(item["partition"], at, {"drive", "entry"});
    if (!item["partition"].contains("drive") || !item["partition"].contains("entry"))
      Fail(at, "needs \"drive\" and \"entry\"");
    volume.Partition = PartitionReference{Bounded<int>(item["partition"]["drive"], at + ".drive", 0, 999),
                                          Bounded<int>(item["partition"]["entry"], at + ".entry", 0, 100000)};
    if (item.contains("size")) Fail(where, "a volume on a partition takes the partition's size");
  } else if (item.contains("size")) {
    volume.OwnSize = NonNegative(item["size"], where + ".size");
  }
  if (item.contains("freeBytes")) volume.FreeBytes = NonNegative(item["freeBytes"], where + ".freeBytes");
  if (item.contains("totalBytes")) volume.TotalBytes = NonNegative(item["totalBytes"], where + ".totalBytes");
  if (item.contains("directory"))
    volume.Directory = ResolvePath(Text(item["directory"], where + ".directory"), baseDirectory);
  volume.Content = Content(item, where, baseDirectory);
  return volume;
}

std::uint32_t ServiceStateNumber(const json& value, const std::string& where) {
  if (value.is_string()) {
    const std::pair<const char*, std::uint32_t> names[] = {{"stopped", ServiceStopped},
                                                           {"startPending", ServiceStartPending},
                                                           {"stopPending", ServiceStopPending},
                                                           {"running", ServiceRunning},
                                                           {"continuePending", 5},
                                                           {"pausePending", 6},
                                                           {"paused", 7}};
    for (const auto& [name, number] : names)
      if (value.get<std::string>() == name) return number;
    Fail(where, "unknown service state \"" + value.get<std::string>() + "\"");
  }
  return Bounded<std::uint32_t>(value, where, 1, 7);
}

std::vector<ServiceStep> Script(const json& object, const char* key, std::uint32_t settledState,
                                const std::string& where) {
  if (!object.contains(key)) return {ServiceStep{false, ServiceStatus{settledState, 0, 0}}};
  const std::string at = where + "." + key;
  const json& list = object[key];
  if (!list.is_array() || list.empty()) Fail(at, "must be a non-empty list of steps");
  std::vector<ServiceStep> steps;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string stepAt = at + "[" + std::to_string(i) + "]";
    if (list[i] == "fail") {
      steps.push_back(ServiceStep{true, {}});
      continue;
    }
    CheckKeys(list[i], stepAt, {"state", "checkPoint", "waitHint"});
    if (!list[i].contains("state")) Fail(stepAt, "needs \"state\" (or is the text \"fail\")");
    ServiceStep step;
    step.Status.CurrentState = ServiceStateNumber(list[i]["state"], stepAt + ".state");
    if (list[i].contains("checkPoint"))
      step.Status.CheckPoint = U32(list[i]["checkPoint"], stepAt + ".checkPoint");
    if (list[i].contains("waitHint")) step.Status.WaitHint = U32(list[i]["waitHint"], stepAt + ".waitHint");
    steps.push_back(step);
  }
  return steps;
}

ServiceDescription Service(const json& item, const std::string& where) {
  CheckKeys(item, where, {"name", "state", "rights", "start", "stop"});
  ServiceDescription service;
  if (!item.contains("name")) Fail(where, "needs \"name\"");
  service.Name = Text(item["name"], where + ".name");
  if (item.contains("state"))
    service.Initial.CurrentState = ServiceStateNumber(item["state"], where + ".state");
  service.Rights = Boolean(item, "rights", true, where);
  service.StartScript = Script(item, "start", ServiceRunning, where);
  service.StopScript = Script(item, "stop", ServiceStopped, where);
  return service;
}

SettingsDescription Settings(const json& item, const std::string& where) {
  CheckKeys(item, where, {"writable", "exists", "values"});
  SettingsDescription settings;
  settings.Writable = Boolean(item, "writable", true, where);
  settings.StoreExists = Boolean(item, "exists", true, where);
  if (item.contains("values")) {
    const std::string at = where + ".values";
    if (!item["values"].is_object()) Fail(at, "must be an object of name: value");
    for (const auto& value : item["values"].items()) {
      SettingValue setting;
      if (value.value().is_number_integer()) {
        setting.Kind = SettingValue::Type::Number;
        setting.Number = U32(value.value(), at + "." + value.key());
      } else if (value.value().is_string()) {
        setting.Kind = SettingValue::Type::Other;  // a value of another type than a number
      } else {
        Fail(at + "." + value.key(), "must be a number or a text");
      }
      settings.Values[Upper(value.key())] = setting;
    }
  }
  return settings;
}

OccupantDescription Occupant(const json& item, const std::string& where) {
  CheckKeys(item, where, {"device", "firstSector", "endSector", "file", "kind", "name"});
  OccupantDescription occupant;
  if (item.contains("device") == item.contains("file")) Fail(where, "needs either \"device\" or \"file\"");
  if (item.contains("device")) occupant.Device = Text(item["device"], where + ".device");
  if (item.contains("file")) occupant.File = Text(item["file"], where + ".file");
  if (item.contains("firstSector") != item.contains("endSector"))
    Fail(where, "needs both \"firstSector\" and \"endSector\", or neither");
  if (item.contains("firstSector")) {
    if (!occupant.File.empty()) Fail(where, "a file has no sectors of its own here");
    occupant.Range = SectorRange{NonNegative(item["firstSector"], where + ".firstSector"),
                                 NonNegative(item["endSector"], where + ".endSector")};
    if (occupant.Range->EndSector <= occupant.Range->FirstSector)
      Fail(where, "endSector must lie after firstSector");
  }
  if (!item.contains("kind")) Fail(where, "needs \"kind\"");
  const std::string kind = Text(item["kind"], where + ".kind");
  const std::pair<const char*, OccupantKind> kinds[] = {{"mounted", OccupantKind::MountedFileSystem},
                                                        {"swap", OccupantKind::ActiveSwap},
                                                        {"stacked", OccupantKind::StackedDevice},
                                                        {"loop", OccupantKind::LoopDevice}};
  for (const auto& [name, value] : kinds)
    if (kind == name) occupant.Kind = value;
  if (!occupant.Kind && kind != "otherProgram")
    Fail(where + ".kind", "must be \"mounted\", \"swap\", \"stacked\", \"loop\" or \"otherProgram\"");
  if (occupant.Kind) {
    if (!item.contains("name")) Fail(where, "needs \"name\"");
    occupant.Name = Text(item["name"], where + ".name");
  }
  return occupant;
}

CalendarDate Date(const json& value, const std::string& where) {
  const std::string text = Text(value, where);
  CalendarDate date;
  char dash1 = 0, dash2 = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d%c%2d%c%2d%n", &date.Year, &dash1, &date.Month, &dash2, &date.Day,
                  &consumed) != 5 ||
      dash1 != '-' || dash2 != '-' || consumed != static_cast<int>(text.size()) || date.Month < 1 ||
      date.Month > 12 || date.Day < 1 || date.Day > 31)
    Fail(where, "must be a date like \"2024-05-17\"");
  return date;
}

SessionDescription Session(const json& item, const std::string& where) {
  CheckKeys(item, where,
            {"machineName", "currentDirectory", "shortDateFormat", "today", "clock", "canOpenWebAddresses",
             "identityQueriesFail", "serviceManagerRights"});
  SessionDescription session;
  if (item.contains("machineName")) session.MachineName = Text(item["machineName"], where + ".machineName");
  if (item.contains("currentDirectory"))
    session.CurrentDirectory = Text(item["currentDirectory"], where + ".currentDirectory");
  if (item.contains("shortDateFormat"))
    session.ShortDateFormat = Text(item["shortDateFormat"], where + ".shortDateFormat");
  if (item.contains("today")) session.Today = Date(item["today"], where + ".today");
  if (item.contains("clock"))
    session.ClockStartMilliseconds = static_cast<std::uint64_t>(NonNegative(item["clock"], where + ".clock"));
  session.CanOpenWebAddresses = Boolean(item, "canOpenWebAddresses", true, where);
  session.IdentityQueriesFail = Boolean(item, "identityQueriesFail", false, where);
  session.ServiceManagerRights = Boolean(item, "serviceManagerRights", true, where);
  return session;
}

template <typename Item, typename Parse>
std::vector<Item> List(const json& root, const char* key, Parse parse) {
  std::vector<Item> items;
  if (!root.contains(key)) return items;
  if (!root[key].is_array()) Fail(key, "must be a list");
  for (std::size_t i = 0; i < root[key].size(); ++i)
    items.push_back(parse(root[key][i], std::string(key) + "[" + std::to_string(i) + "]"));
  return items;
}

void CheckCrossReferences(const MachineDescription& machine) {
  std::set<int> driveNumbers;
  for (const auto& drive : machine.PhysicalDrives)
    if (!driveNumbers.insert(drive.Number).second)
      Fail("physicalDrives", "drive " + std::to_string(drive.Number) + " is described twice");
  std::set<char> letters;
  for (const auto& floppy : machine.Floppies)
    if (!letters.insert(floppy.Letter).second)
      Fail("floppies", std::string("letter ") + floppy.Letter + ": is described twice");
  for (const auto& volume : machine.Volumes) {
    const std::string where = std::string("volumes (") + volume.Letter + ":)";
    if (!letters.insert(volume.Letter).second) Fail(where, "the letter is described twice");
    if (!volume.Partition) continue;
    auto drive = std::find_if(machine.PhysicalDrives.begin(), machine.PhysicalDrives.end(),
                              [&](const auto& d) { return d.Number == volume.Partition->DriveNumber; });
    if (drive == machine.PhysicalDrives.end())
      Fail(where,
           "its partition's drive " + std::to_string(volume.Partition->DriveNumber) + " is not described");
    if (volume.Partition->EntryIndex >= static_cast<int>(drive->Layout.size()))
      Fail(where, "its drive has no layout entry " + std::to_string(volume.Partition->EntryIndex));
  }
  std::set<std::string> services;
  for (const auto& service : machine.Services)
    if (!services.insert(Upper(service.Name)).second)
      Fail("services", "\"" + service.Name + "\" is described twice");
}

}  // namespace

DISK_GEOMETRY DerivedGeometry(std::int64_t sizeBytes, std::uint32_t mediaType) {
  DISK_GEOMETRY geometry;
  geometry.Cylinders = sizeBytes / (255 * 63 * 512);
  geometry.MediaType = mediaType;
  geometry.TracksPerCylinder = 255;
  geometry.SectorsPerTrack = 63;
  geometry.BytesPerSector = 512;
  return geometry;
}

DISK_GEOMETRY HighDensityFloppyGeometry() {
  DISK_GEOMETRY geometry;
  geometry.Cylinders = 80;
  geometry.MediaType = F3_1Pt44_512;
  geometry.TracksPerCylinder = 2;
  geometry.SectorsPerTrack = 18;
  geometry.BytesPerSector = 512;
  return geometry;
}

Outcome<MachineDescription> ParseMachineDescription(std::string_view text, const std::string& baseDirectory) {
  try {
    const json root = json::parse(text.begin(), text.end(), nullptr, true, /*ignore_comments=*/true);
    CheckKeys(root, "description",
              {"physicalDrives", "floppies", "volumes", "services", "occupants", "settings", "session"});
    MachineDescription machine;
    machine.PhysicalDrives = List<PhysicalDriveDescription>(
        root, "physicalDrives", [&](const json& item, const std::string& where) {
          return PhysicalDrive(item, where, baseDirectory);
        });
    machine.Floppies = List<FloppyDescription>(
        root, "floppies",
        [&](const json& item, const std::string& where) { return Floppy(item, where, baseDirectory); });
    machine.Volumes = List<VolumeDescription>(
        root, "volumes",
        [&](const json& item, const std::string& where) { return Volume(item, where, baseDirectory); });
    machine.Services = List<ServiceDescription>(root, "services", Service);
    machine.Occupants = List<OccupantDescription>(root, "occupants", Occupant);
    if (root.contains("settings")) machine.Settings = Settings(root["settings"], "settings");
    if (root.contains("session")) machine.Session = Session(root["session"], "session");
    CheckCrossReferences(machine);
    return machine;
  } catch (const std::exception& error) {
    // Both our own checks and the JSON parser's syntax errors end up here.
    Failure invalid = WindowsError(ErrorInvalidData);
    invalid.text = "Simulated machine description: " + std::string(error.what());
    return invalid;
  }
}

}  // namespace drivecopy::sim
