#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/sim/ClaimRegistry.h"
#include "platform/sim/MachineDescription.h"
#include "platform/sim/SimulatedMedium.h"
#include "platform/sim/SimulatedService.h"
#include "platform/sim/StoragePlace.h"
#include "platform/sim/VolumeFileArea.h"

namespace drivecopy {

// A simulated machine read from a JSON description (docs/simulated-machine.md).
// Paths in the description are relative to `baseDirectory`.
Outcome<std::unique_ptr<Platform>> MakeSimulatedMachine(std::string_view descriptionJson,
                                                        const std::string& baseDirectory);

// Reads the description from a file.
Outcome<std::unique_ptr<Platform>> LoadSimulatedMachine(const std::string& descriptionPath);

// The built-in demo machine.
Outcome<std::unique_ptr<Platform>> MakeDemoMachine();

// A whole Windows-like machine (physical drives, floppy slots, drive
// letters, services, settings) answered from its description, with the
// Windows names and error codes. Device contents live in host files: sparse
// temporary ones, removed with the machine, or files the description names.
// Beyond the platform operations it offers hooks for tests to inspect what
// the program did.
class SimulatedMachine final : public Platform {
 public:
  static Outcome<std::unique_ptr<SimulatedMachine>> Build(std::string_view descriptionJson,
                                                          const std::string& baseDirectory);

  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override;
  Outcome<void> DeleteFile(const std::string& path) override;
  // Moves the host file within one volume's folder; the replaced file's
  // bytes become free on the volume.
  Outcome<void> RenameOver(const std::string& from, const std::string& to) override;
  bool FileExists(const std::string& path) override;
  bool IsSameFile(const std::string& first, const std::string& second) override;
  bool SharesStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                     SectorRange secondRange) override;
  // The described occupants, and every volume `inUse` as a mounted file
  // system named by its drive name.
  std::vector<Occupant> OccupantsOf(const std::string& path, SectorRange range) override;
  // Refuses a write-protected medium or volume, storage that an occupant or
  // another living claim of this machine meets, and an image or log path
  // that names a device or folder.
  ClaimResult ClaimForWriting(const std::string& path, SectorRange range, ClaimTarget target) override;
  ReadClaimResult ClaimForReading(const std::string& path, SectorRange range) override;
  // The simulated machine is a Windows machine: 25 drive numbers, probed
  // only beside a volume, partitions without nodes of their own.
  int PhysicalDriveSlots() override { return 25; }
  std::string PhysicalDrivePath(int driveNumber) override;
  bool ProbesDrivesOnlyWithVolumes() override { return true; }
  std::optional<std::vector<PartitionNode>> PartitionNodesOf(const std::string&) override {
    return std::nullopt;
  }

  std::vector<LogicalDrive> LogicalDrives() override;
  int QueryDriveType(const std::string& rootPath) override;
  std::optional<VolumeInformation> QueryVolumeInformation(const std::string& rootPath) override;
  std::optional<VolumeInformation> QueryVolumeOfPath(const std::string& path) override;
  std::optional<FreeSpace> QueryFreeSpace(const std::string& path) override;

  IdentityAnswer QueryDriveModel(int driveNumber) override;
  IdentityAnswer QueryDriveInterfaceType(int driveNumber) override;

  Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string& machine,
                                                          const std::string& service,
                                                          ServiceAccess access) override;
  // Advances the virtual clock at once: waits take no real time.
  void Sleep(std::uint32_t milliseconds) override;
  std::uint64_t MonotonicMilliseconds() override;

  SettingValue ReadSetting(const std::string& name) override;
  bool WriteSettingNumber(const std::string& name, std::uint32_t value) override;
  bool EnsureSettingsStore() override;

  std::string CurrentDirectory() override;
  char PathSeparator() override;
  std::string ShortDateFormat() override;
  CalendarDate Today() override;
  // Records the address; answers as the description says (true by default).
  bool OpenWebAddress(const std::string& url) override;
  std::string MessageVariant() override { return {}; }

  // --- test hooks ---
  const std::vector<std::string>& OpenedWebAddresses() const { return webAddresses_; }
  // The virtual clock in milliseconds (what MonotonicMilliseconds reads).
  std::uint64_t Clock() const { return clock_; }
  // The host file holding a device's bytes: "\\.\PhysicalDrive0", "\\.\A:",
  // or "\\.\X:" of a volume with content of its own; nullopt otherwise.
  std::optional<std::string> ContentPath(const std::string& devicePath) const;
  // The host folder holding the files of volume `letter`, if it has one.
  std::optional<std::string> VolumeDirectory(char letter) const;
  // The state of a service (1 stopped .. 4 running), nullopt for an unknown name.
  std::optional<std::uint32_t> ServiceState(const std::string& name) const;

 private:
  struct Drive {
    sim::PhysicalDriveDescription Description;
    std::shared_ptr<sim::SimulatedMedium> Medium;
  };
  struct Floppy {
    sim::FloppyDescription Description;
    std::shared_ptr<sim::SimulatedMedium> Medium;
  };
  struct Volume {
    sim::VolumeDescription Description;
    std::int64_t TotalBytes = 0;
    std::shared_ptr<sim::SimulatedMedium> OwnMedium;  // when it sits on no partition
    std::shared_ptr<sim::VolumeFileArea> Files;       // when it is ready with a file system
  };

  SimulatedMachine() = default;
  Outcome<void> Populate(const sim::MachineDescription& description);
  Outcome<std::unique_ptr<DeviceHandle>> OpenDrive(int number, OpenMode mode);
  Outcome<std::unique_ptr<DeviceHandle>> OpenLetterDevice(char letter, OpenMode mode);
  Outcome<std::unique_ptr<DeviceHandle>> OpenFile(const std::string& path, OpenMode mode);
  // The host path and file area of a file path, or the error opening it would give.
  struct ResolvedFile {
    std::string HostPath;
    std::shared_ptr<sim::VolumeFileArea> Area;  // null outside simulated volumes
  };
  Outcome<ResolvedFile> ResolveFile(const std::string& path) const;
  const Volume* FindVolume(char letter) const;
  // Where `range` of a device, or a file, lies; empty for what does not exist.
  std::vector<sim::StoragePlace> PlacesOf(const std::string& path, SectorRange range) const;
  // Where a described occupant lives.
  std::vector<sim::StoragePlace> PlacesOf(const sim::OccupantDescription& occupant) const;
  // The medium behind a device path and where the device starts on it (in
  // sectors); null for an unknown device.
  std::pair<std::shared_ptr<sim::SimulatedMedium>, std::int64_t> MediumOf(
      const std::string& devicePath) const;
  // The device a volume's bytes live on (its drive, or its own letter
  // device) and their range there.
  std::string VolumeDevicePath(char letter) const;
  SectorRange VolumeRange(const Volume& volume) const;
  static std::string PhysicalDrivePathText(int driveNumber);
  static std::string LetterDevicePath(char letter);

  std::map<int, Drive> drives_;
  std::map<char, Floppy> floppies_;
  std::map<char, Volume> volumes_;
  std::map<std::string, std::shared_ptr<sim::SimulatedService>> services_;  // upper-case names
  std::vector<sim::OccupantDescription> occupants_;
  std::shared_ptr<sim::ClaimRegistry> claims_ = std::make_shared<sim::ClaimRegistry>();
  sim::SettingsDescription settings_;
  sim::SessionDescription session_;
  std::uint64_t clock_ = 0;
  std::vector<std::string> webAddresses_;
};

}  // namespace drivecopy
