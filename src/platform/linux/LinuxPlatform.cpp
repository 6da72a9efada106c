#include "platform/linux/LinuxPlatform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/linux/ChildProcess.h"
#include "platform/linux/DeviceClaim.h"
#include "platform/linux/DiskNodes.h"
#include "platform/linux/DriveIdentity.h"
#include "platform/linux/ErrnoError.h"
#include "platform/linux/FileReplacement.h"
#include "platform/linux/JobClaims.h"
#include "platform/linux/LinuxDeviceHandle.h"
#include "platform/linux/LinuxVolumes.h"
#include "platform/linux/Occupants.h"
#include "platform/linux/PhysicalDriveNumbering.h"
#include "platform/linux/SessionFacts.h"
#include "platform/linux/SettingsFile.h"
#include "platform/linux/StoragePlaces.h"
#include "platform/linux/SysfsBlock.h"
#include "platform/linux/SystemdServices.h"
#include "platform/linux/TimeLimitedDeviceProbe.h"

namespace drivecopy {
namespace linux_backend {
namespace {

class LinuxPlatform final : public Platform {
 public:
  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override {
    return OpenLinuxDevice(path, mode);
  }

  Outcome<void> DeleteFile(const std::string& path) override {
    // Only files are deleted: a device node, pipe or link under an image's
    // name is never removed.
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return ErrnoError(errno);
    if (!S_ISREG(status.st_mode))
      return Failure::OfSystemCall(EPERM, "it is not a regular file, so it is not deleted")
          .Naming(BackendReason::NotRegularFileNotDeleted);
    if (::unlink(path.c_str()) != 0) return ErrnoError(errno);
    return {};
  }

  Outcome<void> RenameOver(const std::string& from, const std::string& to) override {
    return RenameOverFile(from, to);
  }

  Outcome<DeviceFacts> ProbeDevice(const std::string& path) override {
    return ProbeDeviceWithinTimeLimit(path);
  }

  bool FileExists(const std::string& path) override {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0;
  }

  bool IsSameFile(const std::string& first, const std::string& second) override {
    return SameFileOrDevice(first, second);
  }
  bool SharesStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                     SectorRange secondRange) override {
    return PathsShareStorage(first, firstRange, second, secondRange);
  }
  std::vector<Occupant> OccupantsOf(const std::string& path, SectorRange range) override {
    return FindOccupants(path, range);
  }
  ClaimResult ClaimForWriting(const std::string& path, SectorRange range, ClaimTarget target) override {
    return ClaimForJobWriting(path, range, target);
  }
  ReadClaimResult ClaimForReading(const std::string& path, SectorRange range) override {
    return ClaimForJobReading(path, range);
  }

  int PhysicalDriveSlots() override { return numbering_.Renew(); }
  std::string PhysicalDrivePath(int driveNumber) override {
    const auto name = numbering_.DiskName(driveNumber);
    return name ? "/dev/" + *name : std::string();
  }
  bool ProbesDrivesOnlyWithVolumes() override { return false; }
  std::optional<std::vector<PartitionNode>> PartitionNodesOf(const std::string& diskPath) override {
    return KernelPartitionNodes(diskPath);
  }

  std::vector<LogicalDrive> LogicalDrives() override { return ListLogicalDrives(); }
  int QueryDriveType(const std::string& rootPath) override { return DriveTypeOfRoot(rootPath); }
  std::optional<VolumeInformation> QueryVolumeInformation(const std::string& rootPath) override {
    return VolumeInformationOfRoot(rootPath);
  }
  std::optional<VolumeInformation> QueryVolumeOfPath(const std::string& path) override {
    return VolumeInformationOfPath(path);
  }
  std::optional<FreeSpace> QueryFreeSpace(const std::string& path) override { return FreeSpaceOfPath(path); }

  // Result 1 for an existing drive, with an empty text where sysfs has none.
  IdentityAnswer QueryDriveModel(int driveNumber) override {
    const auto name = numbering_.DiskName(driveNumber);
    return name ? IdentityAnswer{1, DiskModelText(*name)} : IdentityAnswer{0, {}};
  }
  IdentityAnswer QueryDriveInterfaceType(int driveNumber) override {
    const auto name = numbering_.DiskName(driveNumber);
    return name ? IdentityAnswer{1, DiskBusName(*name)} : IdentityAnswer{0, {}};
  }

  Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string& machine,
                                                          const std::string& service,
                                                          ServiceAccess access) override {
    return OpenSystemdService(machine, service, access);
  }
  void Sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  std::uint64_t MonotonicMilliseconds() override {
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
  }

  SettingValue ReadSetting(const std::string& name) override { return Settings().Read(name); }
  bool WriteSettingNumber(const std::string& name, std::uint32_t value) override {
    return Settings().WriteNumber(name, value);
  }
  bool EnsureSettingsStore() override { return Settings().Ensure(); }

  std::string CurrentDirectory() override { return WorkingDirectory(); }
  char PathSeparator() override { return '/'; }
  std::string ShortDateFormat() override { return LocaleShortDateFormat(); }
  CalendarDate Today() override { return LocalToday(); }

  bool OpenWebAddress(const std::string& url) override {
    // A leading dash would be taken as an option of xdg-open.
    if (url.empty() || url.starts_with('-')) return false;
    return StartDetached({"xdg-open", url});
  }

  std::string MessageVariant() override { return "linux"; }

 private:
  PhysicalDriveNumbering numbering_;
  // The path is looked up on each use so that the environment of the moment counts.
  static SettingsFile Settings() { return SettingsFile(SettingsFilePath()); }
};

}  // namespace
}  // namespace linux_backend

std::unique_ptr<Platform> MakeLinuxPlatform() { return std::make_unique<linux_backend::LinuxPlatform>(); }

}  // namespace drivecopy
