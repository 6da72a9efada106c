#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceFacts.h"
#include "platform/DeviceHandle.h"
#include "platform/Failure.h"
#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"

// <windows.h> renames DeleteFile and OpenService by macro (to their A or W
// forms); the interface keeps its own names in every file that sees it, and
// a file that includes <windows.h> after this one fails to compile instead.
#ifdef DeleteFile
#undef DeleteFile
#endif
#ifdef OpenService
#undef OpenService
#endif

namespace drivecopy {

// How a device or file is opened.
enum class OpenMode {
  Read,          // existing device or file, others may read and write it too
  ReadWrite,     // existing device or file, for a restore or clone destination
  CreateAlways,  // new file, replacing one of that name, written by us alone
  // Existing device or file, for reading back what a job wrote: every read
  // comes from the medium, never from the system's cache of it, so that the
  // bytes are those that were stored. No lock is taken or honoured: the job
  // that wrote it may still hold its claim.
  ReadUncached,
};

// Whether a handle opened so may write.
inline bool OpensForWriting(OpenMode mode) {
  return mode == OpenMode::ReadWrite || mode == OpenMode::CreateAlways;
}

// Drive types as the volume functions report them; only Removable and Fixed
// volumes are ever offered.
enum DriveType : int {
  DriveUnknown = 0,
  DriveNoRootDir = 1,
  DriveRemovable = 2,
  DriveFixed = 3,
  DriveRemote = 4,
  DriveCdRom = 5,
  DriveRamDisk = 6,
};

// One drive letter (Windows) or mounted file system / floppy slot (Linux).
struct LogicalDrive {
  std::string RootPath;       // "C:\" or the mount point; given to the volume functions
  std::string DevicePath;     // "\\.\C:" or "/dev/sdb1"; given to DriveProbe
  std::string DriveName;      // "C:" or the mount point; shown in captions
  bool IsFloppySlot = false;  // A: and B: (Linux: /dev/fd0 and /dev/fd1)
};

// A partition as the system's own device node for it: its path, its
// number, and where the system takes it to lie on its disk (512-byte
// sectors).
struct PartitionNode {
  std::string Path;
  int Number = 0;
  SectorRange Range;
};

// Answer of the volume-information request for a ready volume.
struct VolumeInformation {
  std::string VolumeName;
  std::string FileSystemName;  // "NTFS", "FAT32", "ext4", ...
};

// Free space of the volume a path lies on.
struct FreeSpace {
  std::int64_t FreeBytes = 0;
  std::int64_t TotalBytes = 0;
};

// Answer of a drive identity query (model or interface type of drive N):
// Result -1 when the query failed, otherwise the number of drives that
// matched; Value holds the property's text only when Result is 1 (empty for
// a property without a value).
struct IdentityAnswer {
  int Result = -1;
  std::string Value;
};

// Service states and the status record, with the platform's numbers.
inline constexpr std::uint32_t ServiceStopped = 1;
inline constexpr std::uint32_t ServiceStartPending = 2;
inline constexpr std::uint32_t ServiceStopPending = 3;
inline constexpr std::uint32_t ServiceRunning = 4;

struct ServiceStatus {
  std::uint32_t CurrentState = 0;
  std::uint32_t CheckPoint = 0;
  std::uint32_t WaitHint = 0;  // milliseconds
};

enum class ServiceAccess { Query, Start, Stop };

// The reply to a start or stop request. Accepted false is a rejection; a
// rejection may still carry the service's status (a stop of a service that
// is not running reports it stopped).
struct ServiceControlReply {
  bool Accepted = false;
  std::optional<ServiceStatus> Status;
};

// An open service (manager and service handle); closed by the destructor.
class ServiceConnection {
 public:
  virtual ~ServiceConnection() = default;
  virtual std::optional<ServiceStatus> QueryStatus() = 0;
  virtual ServiceControlReply Start() = 0;
  virtual ServiceControlReply Stop() = 0;
};

// A value of the settings store (the registry key on Windows, a settings
// file on Linux, the description on the simulated machine).
struct SettingValue {
  enum class Type { Missing, Number, Other };
  Type Kind = Type::Missing;
  std::uint32_t Number = 0;
};

struct CalendarDate {
  int Year = 0;
  int Month = 0;  // 1..12
  int Day = 0;    // 1..31
};

// Everything the program asks of the machine it runs on. One backend is
// chosen at start-up (the real platform, or a simulated machine) and nothing
// else in the program knows which one runs. No operation throws.
class Platform {
 public:
  virtual ~Platform() = default;

  // --- raw devices and files ---
  virtual Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) = 0;
  virtual Outcome<void> DeleteFile(const std::string& path) = 0;
  // Gives the regular file `from` the name `to` in the same folder, in one
  // step: `to` names the old file or the new one at every moment, never
  // neither, and a file already there is replaced. Once it returns, the new
  // name is on stable storage (the folder is flushed), so a crash cannot
  // bring the old file back. A device, folder or link on either side is
  // refused, never moved or replaced.
  virtual Outcome<void> RenameOver(const std::string& from, const std::string& to) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // One look at the device or file at `path` for the drive lists: opened for
  // reading, its first sector and its three disk requests read (DeviceFacts),
  // and closed again. A failure says why it could not be opened. A backend
  // may bound the time a look takes, so that a device that never answers
  // holds up no list and no command: such a device fails with
  // FailureKind::NotAnswering. Without a bound (the default) the look is
  // made here, through Open.
  virtual Outcome<DeviceFacts> ProbeDevice(const std::string& path);

  // True when both paths name the same existing file or device.
  virtual bool IsSameFile(const std::string& first, const std::string& second) = 0;

  // Whether `firstRange` of `first` and `secondRange` of `second` may hold
  // the same bytes of storage, so that writing one changes the other: one
  // device under two names, a partition and its disk, a file stored inside a
  // device range, the file or device behind a loop device, the members of a
  // device built on others. Ranges count from each device's own start; a
  // file counts as a whole, and a path that does not exist yet as a file in
  // its folder. Two different files share storage only where one holds the
  // file system of the other (a disk image seen through a loop device).
  virtual bool SharesStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                             SectorRange secondRange) = 0;

  // What lives in `range` of the device at `path` (counted from that
  // device's start), or in the file at `path`, that writing there would
  // destroy: mounted file systems, swap, devices built on it, loop devices
  // backed by it. Empty when nothing is found.
  virtual std::vector<Occupant> OccupantsOf(const std::string& path, SectorRange range) = 0;

  // Holds `path` for writing `range` of it until the claim is destroyed, or
  // says why it cannot be held. See WriteClaim and ClaimTarget.
  virtual ClaimResult ClaimForWriting(const std::string& path, SectorRange range, ClaimTarget target) = 0;

  // Holds `range` of the device or file at `path` as a job's source until the
  // claim is destroyed: while it lives no job of ours is let write those
  // bytes (the write claim is refused, naming it, OccupantKind::JobReading),
  // and it is refused (Occupied, OccupantKind::JobWriting) while a job of
  // ours writes them, under whatever name. A help between our own jobs, not
  // a lock against other programs.
  virtual ReadClaimResult ClaimForReading(const std::string& path, SectorRange range) = 0;

  // Begins a walk over the physical drives: the lists try N = 0 .. result - 1
  // and a gap does not end the walk (Windows: 25 numbers). The numbering
  // stays as it is now until the next call, so the rows of one listing keep
  // naming the drives they were made for.
  virtual int PhysicalDriveSlots() = 0;
  // Path of physical drive N ("\\.\PhysicalDrive0", "/dev/sda"); "" when
  // there is no drive N.
  virtual std::string PhysicalDrivePath(int driveNumber) = 0;
  // True where the physical drives are probed only when some volume besides
  // the floppies is present (Windows: no letter from C: upward means nothing
  // can be opened). Linux always probes them: a rescue system runs from a
  // RAM file system with no disk mounted at all.
  virtual bool ProbesDrivesOnlyWithVolumes() = 0;
  // The partitions of the disk at `diskPath` as the system itself sees them
  // now, each with the device node that stands for it alone ("/dev/sdb1"
  // with the start and size the kernel uses); empty for a disk without any.
  // nullopt where partitions have no nodes of their own: the lists then take
  // a volume whose partition has the entry's offset and size on a disk of
  // equal geometry size to be that entry's volume.
  virtual std::optional<std::vector<PartitionNode>> PartitionNodesOf(const std::string& diskPath) = 0;

  // --- logical drives ---
  // Floppy slots first, then volumes, in letter (or mount point) order.
  virtual std::vector<LogicalDrive> LogicalDrives() = 0;
  virtual int QueryDriveType(const std::string& rootPath) = 0;
  // nullopt when the volume cannot report its information: no medium, no
  // recognised file system. This is what the volume-ready test asks.
  virtual std::optional<VolumeInformation> QueryVolumeInformation(const std::string& rootPath) = 0;
  // The volume that would hold a file at this path (it need not exist yet).
  virtual std::optional<VolumeInformation> QueryVolumeOfPath(const std::string& path) = 0;
  virtual std::optional<FreeSpace> QueryFreeSpace(const std::string& path) = 0;

  // --- drive identity by drive number ---
  virtual IdentityAnswer QueryDriveModel(int driveNumber) = 0;
  virtual IdentityAnswer QueryDriveInterfaceType(int driveNumber) = 0;

  // --- services ---
  // Opens the service manager on `machine` ("" = this machine) and the
  // service with the rights `access` needs; an error when either fails.
  virtual Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string& machine,
                                                                  const std::string& service,
                                                                  ServiceAccess access) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual std::uint64_t MonotonicMilliseconds() = 0;

  // --- settings ---
  virtual SettingValue ReadSetting(const std::string& name) = 0;
  virtual bool WriteSettingNumber(const std::string& name, std::uint32_t value) = 0;
  // Makes sure the settings store exists (creating it when permitted) and can
  // be written: false when it cannot be created or is read-only to this user.
  virtual bool EnsureSettingsStore() = 0;

  // --- session facts ---
  virtual std::string CurrentDirectory() = 0;
  virtual char PathSeparator() = 0;
  // The system's short date format in the platform's pattern letters
  // ("dd.MM.yyyy", "M/d/yyyy", "yyyy-MM-dd").
  virtual std::string ShortDateFormat() = 0;
  virtual CalendarDate Today() = 0;

  // Opens a web address in the user's browser.
  virtual bool OpenWebAddress(const std::string& url) = 0;

  // The variant of the catalogue's texts for this system where a text must
  // differ (how to start the program with administrator rights): "linux", or
  // "" for the texts as written for Windows.
  virtual std::string MessageVariant() = 0;
};

}  // namespace drivecopy
