#include "platform/sim/SimulatedMachine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <filesystem>

#include "platform/sim/HostFileHandle.h"
#include "platform/sim/MediumHandle.h"
#include "platform/sim/WindowsErrors.h"
#include "platform/sim/WindowsPaths.h"

namespace drivecopy {

namespace fs = std::filesystem;
using namespace sim;

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsFatFileSystem(const std::optional<std::string>& name) {
  return name && Upper(*name).starts_with("FAT");
}

std::int64_t GeometryBytes(const DISK_GEOMETRY& geometry) {
  return geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack * geometry.BytesPerSector;
}

}  // namespace

Outcome<std::unique_ptr<SimulatedMachine>> SimulatedMachine::Build(std::string_view descriptionJson,
                                                                   const std::string& baseDirectory) {
  auto description = ParseMachineDescription(descriptionJson, baseDirectory);
  if (!description) return description.error();
  std::unique_ptr<SimulatedMachine> machine(new SimulatedMachine());
  auto populated = machine->Populate(*description);
  if (!populated) return populated.error();
  return machine;
}

Outcome<void> SimulatedMachine::Populate(const MachineDescription& description) {
  for (const PhysicalDriveDescription& drive : description.PhysicalDrives) {
    std::vector<std::int64_t> partitionStarts;
    for (const PARTITION_INFORMATION& entry : drive.Layout)
      if (entry.PartitionType != 0) partitionStarts.push_back(entry.StartingOffset / 512);
    auto medium = MakeMedium("PhysicalDrive" + std::to_string(drive.Number), drive.Size, !drive.NoMedium,
                             drive.Content, partitionStarts);
    if (!medium) return medium.error();
    drives_[drive.Number] = Drive{drive, std::move(medium.value())};
  }
  for (const FloppyDescription& floppy : description.Floppies) {
    auto medium = MakeMedium(std::string(1, floppy.Letter) + ":", GeometryBytes(floppy.Geometry),
                             floppy.HasMedium, floppy.Content, {});
    if (!medium) return medium.error();
    floppies_[floppy.Letter] = Floppy{floppy, std::move(medium.value())};
  }
  for (const VolumeDescription& volumeDescription : description.Volumes) {
    Volume volume{volumeDescription, 0, nullptr, nullptr};
    if (volumeDescription.Partition) {
      const Drive& drive = drives_.at(volumeDescription.Partition->DriveNumber);
      volume.TotalBytes =
          drive.Description.Layout[static_cast<std::size_t>(volumeDescription.Partition->EntryIndex)]
              .PartitionLength;
    } else {
      volume.TotalBytes = volumeDescription.OwnSize;
      if (volumeDescription.Ready) {
        auto medium = MakeMedium(std::string(1, volumeDescription.Letter) + ":", volumeDescription.OwnSize,
                                 true, volumeDescription.Content, {0});
        if (!medium) return medium.error();
        volume.OwnMedium = std::move(medium.value());
      }
    }
    if (volumeDescription.TotalBytes) volume.TotalBytes = *volumeDescription.TotalBytes;
    if (volumeDescription.Ready && volumeDescription.FileSystem) {
      auto area = VolumeFileArea::Make(volumeDescription.Letter, volumeDescription.Directory,
                                       volumeDescription.FreeBytes.value_or(volume.TotalBytes),
                                       IsFatFileSystem(volumeDescription.FileSystem));
      if (!area) return area.error();
      volume.Files = std::move(area.value());
    }
    volumes_[volumeDescription.Letter] = std::move(volume);
  }
  for (const ServiceDescription& service : description.Services)
    services_[Upper(service.Name)] = std::make_shared<SimulatedService>(service);
  occupants_ = description.Occupants;
  settings_ = description.Settings;
  session_ = description.Session;
  clock_ = session_.ClockStartMilliseconds;
  return {};
}

// --- raw devices and files ---

Outcome<std::unique_ptr<DeviceHandle>> SimulatedMachine::Open(const std::string& path, OpenMode mode) {
  auto device = ParseDevicePath(path);
  if (!device) return OpenFile(path, mode);
  // Devices are opened, never created.
  if (mode == OpenMode::CreateAlways)
    return WindowsError(FileExists(path) ? ErrorAccessDenied : ErrorFileNotFound);
  if (auto* drive = std::get_if<PhysicalDrivePathForm>(&*device)) return OpenDrive(drive->Number, mode);
  if (auto* letter = std::get_if<LetterDevicePathForm>(&*device))
    return OpenLetterDevice(letter->Letter, mode);
  return WindowsError(ErrorFileNotFound);
}

Outcome<std::unique_ptr<DeviceHandle>> SimulatedMachine::OpenDrive(int number, OpenMode mode) {
  auto found = drives_.find(number);
  if (found == drives_.end()) return WindowsError(ErrorFileNotFound);
  const PhysicalDriveDescription& drive = found->second.Description;
  DiskAnswers answers;
  // The whole disk as one partition: its exact size, 0 without a medium.
  PARTITION_INFORMATION whole;
  whole.PartitionLength = drive.NoMedium ? 0 : drive.Size;
  answers.PartitionInfo = whole;
  if (!drive.NoMedium) {
    answers.Geometry = drive.Geometry;
    if (!drive.LayoutFails) answers.Layout = MakeDriveLayout(drive.Layout, drive.Signature);
  }
  return std::unique_ptr<DeviceHandle>(std::make_unique<MediumHandle>(
      found->second.Medium, 0, drive.Size, OpensForWriting(mode), std::move(answers)));
}

Outcome<std::unique_ptr<DeviceHandle>> SimulatedMachine::OpenLetterDevice(char letter, OpenMode mode) {
  const bool writable = OpensForWriting(mode);
  if (auto floppy = floppies_.find(letter); floppy != floppies_.end()) {
    if (!floppy->second.Description.HasMedium) return WindowsError(ErrorNotReady);
    DiskAnswers answers;  // a floppy has no partition information and no layout
    answers.Geometry = floppy->second.Description.Geometry;
    return std::unique_ptr<DeviceHandle>(std::make_unique<MediumHandle>(
        floppy->second.Medium, 0, floppy->second.Medium->Size, writable, std::move(answers)));
  }
  const Volume* volume = FindVolume(letter);
  if (!volume) return WindowsError(ErrorFileNotFound);
  if (!volume->Description.Ready) return WindowsError(ErrorNotReady);
  DiskAnswers answers;  // the layout request fails on a volume
  if (const auto& partition = volume->Description.Partition) {
    const Drive& drive = drives_.at(partition->DriveNumber);
    const PARTITION_INFORMATION entry =
        drive.Description.Layout[static_cast<std::size_t>(partition->EntryIndex)];
    answers.PartitionInfo = entry;
    if (!drive.Description.NoMedium) answers.Geometry = drive.Description.Geometry;
    return std::unique_ptr<DeviceHandle>(std::make_unique<MediumHandle>(
        drive.Medium, entry.StartingOffset, entry.PartitionLength, writable, std::move(answers)));
  }
  PARTITION_INFORMATION own;
  own.PartitionLength = volume->Description.OwnSize;
  answers.PartitionInfo = own;
  answers.Geometry =
      DerivedGeometry(volume->Description.OwnSize,
                      volume->Description.DriveType == DriveRemovable ? RemovableMedia : FixedMedia);
  return std::unique_ptr<DeviceHandle>(std::make_unique<MediumHandle>(
      volume->OwnMedium, 0, volume->Description.OwnSize, writable, std::move(answers)));
}

Outcome<SimulatedMachine::ResolvedFile> SimulatedMachine::ResolveFile(const std::string& path) const {
  if (path.empty()) return WindowsError(ErrorPathNotFound);
  auto letter = DriveLetterOf(path);
  if (!letter) return ResolvedFile{path, nullptr};
  if (floppies_.contains(*letter)) {
    // Floppies hold no files of their own on this machine.
    return WindowsError(floppies_.at(*letter).Description.HasMedium ? ErrorAccessDenied : ErrorNotReady);
  }
  const Volume* volume = FindVolume(*letter);
  if (!volume) return WindowsError(ErrorPathNotFound);
  if (!volume->Description.Ready) return WindowsError(ErrorNotReady);
  if (!volume->Files) return WindowsError(ErrorUnrecognizedVolume);
  auto hostPath = volume->Files->HostPath(path.substr(2));
  if (!hostPath) return WindowsError(ErrorPathNotFound);  // ".." above the volume's root
  return ResolvedFile{hostPath->string(), volume->Files};
}

Outcome<std::unique_ptr<DeviceHandle>> SimulatedMachine::OpenFile(const std::string& path, OpenMode mode) {
  auto resolved = ResolveFile(path);
  if (!resolved) return resolved.error();
  return HostFileHandle::Open(resolved->HostPath, mode, resolved->Area);
}

Outcome<void> SimulatedMachine::DeleteFile(const std::string& path) {
  if (ParseDevicePath(path)) return WindowsError(ErrorAccessDenied);
  auto resolved = ResolveFile(path);
  if (!resolved) return resolved.error();
  std::error_code error;
  const fs::path hostPath(resolved->HostPath);
  if (fs::is_directory(hostPath, error)) return WindowsError(ErrorAccessDenied);
  const auto size = fs::file_size(hostPath, error);
  if (error) return HostFileError(error, hostPath);
  if (!fs::remove(hostPath, error))
    return error ? HostFileError(error, hostPath) : HostFileError(ENOENT, hostPath);
  if (resolved->Area) resolved->Area->Release(static_cast<std::int64_t>(size));
  return {};
}

Outcome<void> SimulatedMachine::RenameOver(const std::string& from, const std::string& to) {
  if (ParseDevicePath(from) || ParseDevicePath(to)) return WindowsError(ErrorAccessDenied);
  auto source = ResolveFile(from);
  if (!source) return source.error();
  auto target = ResolveFile(to);
  if (!target) return target.error();
  if (source->Area != target->Area) return WindowsError(ErrorNotSameDevice);
  std::error_code error;
  const fs::path sourcePath(source->HostPath);
  const fs::path targetPath(target->HostPath);
  if (!fs::is_regular_file(fs::symlink_status(sourcePath, error))) {
    return fs::exists(fs::symlink_status(sourcePath, error)) ? WindowsError(ErrorAccessDenied)
                                                             : HostFileError(ENOENT, sourcePath);
  }
  const auto targetStatus = fs::symlink_status(targetPath, error);
  std::int64_t replacedBytes = 0;
  if (fs::exists(targetStatus)) {
    if (!fs::is_regular_file(targetStatus)) return WindowsError(ErrorAccessDenied);
    replacedBytes = static_cast<std::int64_t>(fs::file_size(targetPath, error));
  }
  fs::rename(sourcePath, targetPath, error);
  if (error) return HostFileError(error, targetPath);
  if (target->Area) target->Area->Release(replacedBytes);
  return {};
}

bool SimulatedMachine::FileExists(const std::string& path) {
  if (auto device = ParseDevicePath(path)) {
    if (auto* drive = std::get_if<PhysicalDrivePathForm>(&*device)) return drives_.contains(drive->Number);
    if (auto* letter = std::get_if<LetterDevicePathForm>(&*device))
      return floppies_.contains(letter->Letter) || volumes_.contains(letter->Letter);
    return false;
  }
  auto resolved = ResolveFile(path);
  if (!resolved) return false;
  std::error_code ignored;
  return fs::exists(resolved->HostPath, ignored) && !fs::is_directory(resolved->HostPath, ignored);
}

bool SimulatedMachine::IsSameFile(const std::string& first, const std::string& second) {
  const auto firstDevice = ParseDevicePath(first);
  const auto secondDevice = ParseDevicePath(second);
  if (firstDevice || secondDevice) {
    return firstDevice && secondDevice && FileExists(first) && Upper(first) == Upper(second);
  }
  auto a = ResolveFile(first);
  auto b = ResolveFile(second);
  if (!a || !b) return false;
  std::error_code ignored;
  return fs::equivalent(a->HostPath, b->HostPath, ignored);
}

std::pair<std::shared_ptr<SimulatedMedium>, std::int64_t> SimulatedMachine::MediumOf(
    const std::string& devicePath) const {
  const auto device = ParseDevicePath(devicePath);
  if (!device) return {nullptr, 0};
  if (const auto* drive = std::get_if<PhysicalDrivePathForm>(&*device)) {
    const auto found = drives_.find(drive->Number);
    if (found == drives_.end()) return {nullptr, 0};
    return {found->second.Medium, 0};
  }
  if (const auto* letter = std::get_if<LetterDevicePathForm>(&*device)) {
    if (auto floppy = floppies_.find(letter->Letter); floppy != floppies_.end())
      return {floppy->second.Medium, 0};
    const Volume* volume = FindVolume(letter->Letter);
    if (!volume) return {nullptr, 0};
    if (volume->Description.Partition) {
      const Drive& drive = drives_.at(volume->Description.Partition->DriveNumber);
      return {drive.Medium, VolumeRange(*volume).FirstSector};
    }
    return {volume->OwnMedium, 0};
  }
  return {nullptr, 0};
}

std::vector<StoragePlace> SimulatedMachine::PlacesOf(const std::string& path, SectorRange range) const {
  std::vector<StoragePlace> places;
  if (ParseDevicePath(path)) {
    const auto [medium, start] = MediumOf(path);
    const std::int64_t end = range.EndSector > INT64_MAX - start ? INT64_MAX : start + range.EndSector;
    if (medium)
      places.push_back(StoragePlace{medium.get(), SectorRange{start + range.FirstSector, end}, "", false});
    return places;
  }
  auto resolved = ResolveFile(path);
  if (!resolved) return places;
  std::error_code ignored;
  places.push_back(
      StoragePlace{nullptr, {}, fs::weakly_canonical(resolved->HostPath, ignored).string(), false});
  // A file on a volume lies somewhere in the volume's sectors.
  if (auto letter = DriveLetterOf(path); letter && FindVolume(*letter)) {
    for (StoragePlace place : PlacesOf(LetterDevicePath(*letter),
                                       SectorRange{0, VolumeRange(*FindVolume(*letter)).SectorCount()})) {
      place.Inside = true;
      places.push_back(place);
    }
  }
  return places;
}

std::vector<StoragePlace> SimulatedMachine::PlacesOf(const OccupantDescription& occupant) const {
  if (!occupant.File.empty()) return PlacesOf(occupant.File, {});
  return PlacesOf(occupant.Device, occupant.Range.value_or(SectorRange{0, INT64_MAX}));
}

bool SimulatedMachine::SharesStorage(const std::string& first, SectorRange firstRange,
                                     const std::string& second, SectorRange secondRange) {
  return AnyPlacesMeet(PlacesOf(first, firstRange), PlacesOf(second, secondRange));
}

std::vector<Occupant> SimulatedMachine::OccupantsOf(const std::string& path, SectorRange range) {
  std::vector<Occupant> found;
  auto add = [&](Occupant occupant) {
    if (std::find(found.begin(), found.end(), occupant) == found.end()) found.push_back(std::move(occupant));
  };
  const auto asked = PlacesOf(path, range);
  for (const auto& [letter, volume] : volumes_) {
    if (!volume.Description.InUse) continue;
    const SectorRange whole{0, VolumeRange(volume).SectorCount()};
    if (AnyPlacesMeet(asked, PlacesOf(LetterDevicePath(letter), whole)))
      add(Occupant{OccupantKind::MountedFileSystem, std::string(1, letter) + ":"});
  }
  for (const OccupantDescription& occupant : occupants_) {
    if (!occupant.Kind) continue;  // another program: only a claim notices it
    if (AnyPlacesMeet(asked, PlacesOf(occupant))) add(Occupant{*occupant.Kind, occupant.Name});
  }
  return found;
}

ClaimResult SimulatedMachine::ClaimForWriting(const std::string& path, SectorRange range,
                                              ClaimTarget target) {
  const bool isDevice = ParseDevicePath(path).has_value();
  if (target != ClaimTarget::Destination && isDevice)
    return ClaimRefusal{ClaimRefusalReason::NotRegularFile, {}, {}};
  if (!isDevice) {
    auto resolved = ResolveFile(path);
    if (!resolved) return ClaimRefusal{ClaimRefusalReason::Failed, {}, resolved.error()};
    std::error_code ignored;
    if (fs::is_directory(resolved->HostPath, ignored))
      return ClaimRefusal{ClaimRefusalReason::NotRegularFile, {}, {}};
    const bool exists = fs::exists(resolved->HostPath, ignored);
    if (target == ClaimTarget::Destination && !exists) {
      return ClaimRefusal{ClaimRefusalReason::Failed, {}, WindowsError(ErrorFileNotFound)};
    }
  }
  AfterWritingReport afterWriting;
  if (isDevice) {
    const auto [medium, start] = MediumOf(path);
    if (!medium) return ClaimRefusal{ClaimRefusalReason::Failed, {}, WindowsError(ErrorFileNotFound)};
    if (medium->ReadOnly)
      return ClaimRefusal{ClaimRefusalReason::ReadOnly, {}, WindowsError(ErrorWriteProtect)};
    for (const auto& [number, drive] : drives_) {
      const bool wholeDrive = drive.Medium == medium && start == 0 && range.FirstSector <= 0 &&
                              range.EndSector >= drive.Description.Size / 512;
      if (wholeDrive && drive.Description.PartitionTableBusy)
        afterWriting.PartitionTableNotReread = WindowsError(ErrorSharingViolation);
    }
  }
  const auto places = PlacesOf(path, range);
  for (const OccupantDescription& occupant : occupants_) {
    if (!occupant.Kind && AnyPlacesMeet(places, PlacesOf(occupant)))
      return ClaimRefusal{ClaimRefusalReason::InUse, {}, WindowsError(ErrorSharingViolation)};
  }
  if (auto occupants = OccupantsOf(path, range); !occupants.empty()) {
    return ClaimRefusal{ClaimRefusalReason::Occupied, std::move(occupants), {}};
  }
  auto taken = claims_->Take(places, afterWriting, path);
  if (auto* holder = std::get_if<sim::ClaimRegistry::Holder>(&taken)) {
    // Another writer is another program to the platform, as on Windows; a
    // reader is one of our own jobs, which only the registry knows.
    if (holder->Writes)
      return ClaimRefusal{ClaimRefusalReason::InUse, {}, WindowsError(ErrorSharingViolation)};
    return ClaimRefusal{ClaimRefusalReason::Occupied, {Occupant{OccupantKind::JobReading, holder->Path}}, {}};
  }
  return std::move(std::get<std::unique_ptr<WriteClaim>>(taken));
}

ReadClaimResult SimulatedMachine::ClaimForReading(const std::string& path, SectorRange range) {
  auto taken = claims_->TakeForReading(PlacesOf(path, range), path);
  if (auto* holder = std::get_if<sim::ClaimRegistry::Holder>(&taken))
    return ClaimRefusal{ClaimRefusalReason::Occupied, {Occupant{OccupantKind::JobWriting, holder->Path}}, {}};
  return std::move(std::get<std::unique_ptr<ReadClaim>>(taken));
}

std::string SimulatedMachine::LetterDevicePath(char letter) { return std::string("\\\\.\\") + letter + ":"; }

std::string SimulatedMachine::VolumeDevicePath(char letter) const {
  const Volume* volume = FindVolume(letter);
  if (volume && volume->Description.Partition) {
    return PhysicalDrivePathText(volume->Description.Partition->DriveNumber);
  }
  return LetterDevicePath(letter);
}

SectorRange SimulatedMachine::VolumeRange(const Volume& volume) const {
  if (const auto& partition = volume.Description.Partition) {
    const PARTITION_INFORMATION& entry =
        drives_.at(partition->DriveNumber)
            .Description.Layout[static_cast<std::size_t>(partition->EntryIndex)];
    const std::int64_t first = entry.StartingOffset / 512;
    return {first, first + entry.PartitionLength / 512};
  }
  return {0, volume.Description.OwnSize / 512};
}

std::string SimulatedMachine::PhysicalDrivePath(int driveNumber) {
  return PhysicalDrivePathText(driveNumber);
}

std::string SimulatedMachine::PhysicalDrivePathText(int driveNumber) {
  return "\\\\.\\PhysicalDrive" + std::to_string(driveNumber);
}

// --- logical drives ---

const SimulatedMachine::Volume* SimulatedMachine::FindVolume(char letter) const {
  auto found = volumes_.find(letter);
  return found == volumes_.end() ? nullptr : &found->second;
}

std::vector<LogicalDrive> SimulatedMachine::LogicalDrives() {
  std::vector<LogicalDrive> drives;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const bool floppy = floppies_.contains(letter);
    if (!floppy && !volumes_.contains(letter)) continue;
    const std::string name = std::string(1, letter) + ":";
    drives.push_back(LogicalDrive{name + "\\", "\\\\.\\" + name, name, floppy});
  }
  return drives;
}

int SimulatedMachine::QueryDriveType(const std::string& rootPath) {
  auto letter = DriveLetterOf(rootPath);
  if (!letter) return DriveNoRootDir;
  if (floppies_.contains(*letter)) return DriveRemovable;
  if (const Volume* volume = FindVolume(*letter)) return volume->Description.DriveType;
  return DriveNoRootDir;
}

std::optional<VolumeInformation> SimulatedMachine::QueryVolumeInformation(const std::string& rootPath) {
  auto letter = DriveLetterOf(rootPath);
  if (!letter) return std::nullopt;
  if (auto floppy = floppies_.find(*letter); floppy != floppies_.end()) {
    const FloppyDescription& description = floppy->second.Description;
    if (!description.HasMedium) return std::nullopt;
    return VolumeInformation{description.VolumeName, description.FileSystem};
  }
  const Volume* volume = FindVolume(*letter);
  if (!volume || !volume->Description.Ready || !volume->Description.FileSystem) return std::nullopt;
  return VolumeInformation{volume->Description.VolumeName, *volume->Description.FileSystem};
}

std::optional<VolumeInformation> SimulatedMachine::QueryVolumeOfPath(const std::string& path) {
  if (ParseDevicePath(path)) return std::nullopt;
  if (DriveLetterOf(path)) return QueryVolumeInformation(path);
  return VolumeInformation{"", "host"};
}

std::optional<FreeSpace> SimulatedMachine::QueryFreeSpace(const std::string& path) {
  if (ParseDevicePath(path)) return std::nullopt;
  if (auto letter = DriveLetterOf(path)) {
    const Volume* volume = FindVolume(*letter);
    if (!volume || !volume->Files) return std::nullopt;
    return FreeSpace{std::max<std::int64_t>(0, volume->Files->FreeBytes()), volume->TotalBytes};
  }
  // A host path: the host's file system it would land on.
  std::error_code error;
  fs::path existing = fs::absolute(path.empty() ? "." : path, error);
  while (!existing.empty() && !fs::exists(existing, error) && existing != existing.parent_path())
    existing = existing.parent_path();
  const fs::space_info space = fs::space(existing, error);
  if (error) return std::nullopt;
  return FreeSpace{static_cast<std::int64_t>(space.available), static_cast<std::int64_t>(space.capacity)};
}

// --- drive identity ---

IdentityAnswer SimulatedMachine::QueryDriveModel(int driveNumber) {
  if (session_.IdentityQueriesFail) return IdentityAnswer{-1, ""};
  auto found = drives_.find(driveNumber);
  if (found == drives_.end()) return IdentityAnswer{0, ""};
  return found->second.Description.Model;
}

IdentityAnswer SimulatedMachine::QueryDriveInterfaceType(int driveNumber) {
  if (session_.IdentityQueriesFail) return IdentityAnswer{-1, ""};
  auto found = drives_.find(driveNumber);
  if (found == drives_.end()) return IdentityAnswer{0, ""};
  return found->second.Description.InterfaceType;
}

// --- services ---

Outcome<std::unique_ptr<ServiceConnection>> SimulatedMachine::OpenService(const std::string& machine,
                                                                          const std::string& service,
                                                                          ServiceAccess access) {
  std::string machineName = machine;
  machineName.erase(0, machineName.find_first_not_of('\\'));
  if (!machineName.empty() && Upper(machineName) != Upper(session_.MachineName))
    return WindowsError(ErrorRpcServerUnavailable);
  if (!session_.ServiceManagerRights) return WindowsError(ErrorAccessDenied);
  auto found = services_.find(Upper(service));
  if (found == services_.end()) return WindowsError(ErrorServiceDoesNotExist);
  if (!found->second->Description().Rights) return WindowsError(ErrorAccessDenied);
  return std::unique_ptr<ServiceConnection>(
      std::make_unique<SimulatedServiceConnection>(found->second, access));
}

void SimulatedMachine::Sleep(std::uint32_t milliseconds) { clock_ += milliseconds; }

std::uint64_t SimulatedMachine::MonotonicMilliseconds() { return clock_; }

// --- settings ---

SettingValue SimulatedMachine::ReadSetting(const std::string& name) {
  if (!settings_.StoreExists) return SettingValue{};
  auto found = settings_.Values.find(Upper(name));
  return found == settings_.Values.end() ? SettingValue{} : found->second;
}

bool SimulatedMachine::WriteSettingNumber(const std::string& name, std::uint32_t value) {
  if (!settings_.Writable) return false;
  settings_.StoreExists = true;
  settings_.Values[Upper(name)] = SettingValue{SettingValue::Type::Number, value};
  return true;
}

bool SimulatedMachine::EnsureSettingsStore() {
  if (!settings_.Writable) return false;
  settings_.StoreExists = true;
  return true;
}

// --- session facts ---

std::string SimulatedMachine::CurrentDirectory() { return session_.CurrentDirectory; }

char SimulatedMachine::PathSeparator() { return '\\'; }

std::string SimulatedMachine::ShortDateFormat() { return session_.ShortDateFormat; }

CalendarDate SimulatedMachine::Today() {
  if (session_.Today) return *session_.Today;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  ::localtime_s(&local, &now);
#else
  ::localtime_r(&now, &local);
#endif
  return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool SimulatedMachine::OpenWebAddress(const std::string& url) {
  webAddresses_.push_back(url);
  return session_.CanOpenWebAddresses;
}

// --- test hooks ---

std::optional<std::string> SimulatedMachine::ContentPath(const std::string& devicePath) const {
  auto device = ParseDevicePath(devicePath);
  if (!device) return std::nullopt;
  std::shared_ptr<SimulatedMedium> medium;
  if (auto* drive = std::get_if<PhysicalDrivePathForm>(&*device)) {
    if (auto found = drives_.find(drive->Number); found != drives_.end()) medium = found->second.Medium;
  } else if (auto* letter = std::get_if<LetterDevicePathForm>(&*device)) {
    if (auto floppy = floppies_.find(letter->Letter); floppy != floppies_.end())
      medium = floppy->second.Medium;
    else if (const Volume* volume = FindVolume(letter->Letter))
      medium = volume->OwnMedium;
  }
  if (!medium || !medium->Content) return std::nullopt;
  return medium->Content->Path();
}

std::optional<std::string> SimulatedMachine::VolumeDirectory(char letter) const {
  const Volume* volume = FindVolume(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  if (!volume || !volume->Files) return std::nullopt;
  return volume->Files->Directory().string();
}

std::optional<std::uint32_t> SimulatedMachine::ServiceState(const std::string& name) const {
  auto found = services_.find(Upper(name));
  if (found == services_.end()) return std::nullopt;
  return found->second->CurrentState();
}

}  // namespace drivecopy
