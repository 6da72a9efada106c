#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DiskRecords.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/sim/SectorSet.h"

namespace drivecopy::sim {

// The simulated machine as its JSON description gives it (the format is
// documented in docs/simulated-machine.md), checked and with every default
// filled in, before any file is created.

// What a device's bytes are and how they fail.
struct ContentDescription {
  std::optional<std::string> File;       // host path, already resolved; nullopt = sparse temporary file
  std::optional<std::string> FillLabel;  // stamps "<label> <device> sector <n>"; nullopt = no fill
  SectorSet Unreadable;
  SectorSet Unwritable;
  // Writes to these sectors report success and store nothing, a fault only
  // reading back finds (a counterfeit flash drive, a failing controller).
  SectorSet LostWrites;
  bool ShortReads = false;  // a read stops before the first unreadable sector instead of failing
  bool ReadOnly = false;    // write-protected: every write fails, a claim for writing is refused
  // The device goes away when a transfer first touches this sector: that
  // transfer and every one after it fail "not connected".
  std::optional<std::int64_t> GoneFromSector;
};

struct PhysicalDriveDescription {
  int Number = 0;
  std::int64_t Size = 0;  // exact size in bytes
  bool NoMedium = false;
  std::optional<DISK_GEOMETRY> Geometry;  // nullopt: the geometry request fails
  bool LayoutFails = false;
  // After the whole drive was written, the system cannot read its partition table anew.
  bool PartitionTableBusy = false;
  std::vector<PARTITION_INFORMATION> Layout;  // in order, repeats expanded
  std::uint32_t Signature = 0;
  IdentityAnswer Model;
  IdentityAnswer InterfaceType;
  ContentDescription Content;
};

struct FloppyDescription {
  char Letter = 'A';
  bool HasMedium = true;
  DISK_GEOMETRY Geometry;
  std::string FileSystem = "FAT";
  std::string VolumeName;
  ContentDescription Content;
};

struct PartitionReference {
  int DriveNumber = 0;
  int EntryIndex = 0;  // index into the drive's layout entries
};

struct VolumeDescription {
  char Letter = 'C';
  int DriveType = DriveFixed;
  bool Ready = true;
  bool InUse = false;  // stands for a mounted file system that raw writes must not go under
  std::optional<std::string> FileSystem;  // nullopt: no recognised file system
  std::string VolumeName;
  std::optional<PartitionReference> Partition;
  std::int64_t OwnSize = 0;                // bytes of its own content when it sits on no partition
  std::optional<std::int64_t> FreeBytes;   // default: TotalBytes
  std::optional<std::int64_t> TotalBytes;  // default: the partition's or own size
  std::optional<std::string> Directory;    // host folder for its files; nullopt = temporary
  ContentDescription Content;              // own content only
};

// One answer to a status query in a scripted state change.
struct ServiceStep {
  bool QueryFails = false;
  ServiceStatus Status;
};

struct ServiceDescription {
  std::string Name;
  ServiceStatus Initial{ServiceStopped, 0, 0};
  bool Rights = true;
  std::vector<ServiceStep> StartScript;  // never empty after parsing
  std::vector<ServiceStep> StopScript;   // never empty after parsing
};

struct SettingsDescription {
  bool Writable = true;
  bool StoreExists = true;
  std::map<std::string, SettingValue> Values;  // names upper-cased: the store ignores case
};

struct SessionDescription {
  std::string MachineName = "SIMULATED";
  std::string CurrentDirectory = "C:\\";
  std::string ShortDateFormat = "dd.MM.yyyy";
  std::optional<CalendarDate> Today;  // nullopt: the host's date
  std::uint64_t ClockStartMilliseconds = 0;
  bool CanOpenWebAddresses = true;
  bool IdentityQueriesFail = false;  // the identity service is unavailable: every query -1
  bool ServiceManagerRights = true;  // false: opening the service manager is denied
};

// Something living on a device range or in a file (Platform::OccupantsOf),
// or, without a kind, another program that holds it so that a claim fails.
struct OccupantDescription {
  std::string Device;                // a device path; empty when File is given
  std::optional<SectorRange> Range;  // sectors of that device; nullopt: all of it
  std::string File;                  // a file path as the program names it
  std::optional<OccupantKind> Kind;
  std::string Name;
};

struct MachineDescription {
  std::vector<PhysicalDriveDescription> PhysicalDrives;
  std::vector<FloppyDescription> Floppies;
  std::vector<VolumeDescription> Volumes;
  std::vector<ServiceDescription> Services;
  std::vector<OccupantDescription> Occupants;
  SettingsDescription Settings;
  SessionDescription Session;
};

// Parses and checks a description. Relative file and folder names are taken
// relative to `baseDirectory`. An error names the offending entry.
Outcome<MachineDescription> ParseMachineDescription(std::string_view json, const std::string& baseDirectory);

// The geometry a large disk reports: 255 tracks, 63 sectors of 512 bytes,
// cylinders = size div (255 x 63 x 512), so usually a little below the size.
DISK_GEOMETRY DerivedGeometry(std::int64_t sizeBytes, std::uint32_t mediaType);

// A 3.5-inch high-density floppy: 80 x 2 x 18 sectors of 512 bytes.
DISK_GEOMETRY HighDensityFloppyGeometry();

}  // namespace drivecopy::sim
