#include "platform/windows/WindowsPlatform.h"

#include <windows.h>
// The members of the platform interface are named as the program names
// them, not as the system's A/W macros would rename them.
#undef DeleteFile
#undef OpenService

#include <chrono>
#include <thread>

#include "platform/windows/RegistrySettings.h"
#include "platform/windows/SystemErrors.h"
#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsClaim.h"
#include "platform/windows/WindowsDeviceHandle.h"
#include "platform/windows/WindowsDevicePaths.h"
#include "platform/windows/WindowsFileReplacement.h"
#include "platform/windows/WindowsServices.h"
#include "platform/windows/WindowsSessionFacts.h"
#include "platform/windows/WindowsStorage.h"
#include "platform/windows/WindowsVolumes.h"
#include "platform/windows/WmiDriveIdentity.h"

namespace drivecopy {
namespace windows_backend {
namespace {

// The drive numbers the lists try: \\.\PhysicalDrive0 to 24.
constexpr int PhysicalDriveNumbers = 25;

class WindowsPlatform final : public Platform {
 public:
  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override {
    return OpenWindowsDevice(path, mode);
  }

  Outcome<void> DeleteFile(const std::string& path) override {
    // Only files are deleted: a device, folder or link under an image's
    // name is never removed.
    const std::wstring wide = Widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastWindowsFailure();
    if (IsRawDevicePath(path) ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
      return Failure::OfSystemCall(ERROR_ACCESS_DENIED, "it is not a regular file, so it is not deleted")
          .Naming(BackendReason::NotRegularFileNotDeleted);
    if (!::DeleteFileW(wide.c_str())) return LastWindowsFailure();
    return {};
  }

  Outcome<void> RenameOver(const std::string& from, const std::string& to) override {
    return RenameOverFile(from, to);
  }

  bool FileExists(const std::string& path) override {
    if (path.empty()) return false;
    if (IsRawDevicePath(path)) {
      UniqueHandle device(::CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
      return device.Valid();
    }
    return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
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
    return ClaimWindowsPath(path, range, target);
  }
  // A reading job is entered nowhere here: the file a job writes is opened
  // without sharing, so no other job reads it, and the volumes on a written
  // device range are locked; a reader of a raw device range that another
  // job writes is not refused (docs/windows.md).
  ReadClaimResult ClaimForReading(const std::string&, SectorRange) override {
    return std::make_unique<ReadClaim>();
  }

  int PhysicalDriveSlots() override { return PhysicalDriveNumbers; }
  std::string PhysicalDrivePath(int driveNumber) override {
    if (driveNumber < 0 || driveNumber >= PhysicalDriveNumbers) return {};
    return "\\\\.\\PhysicalDrive" + std::to_string(driveNumber);
  }
  // Without a volume from C: upward nothing can be opened.
  bool ProbesDrivesOnlyWithVolumes() override { return true; }
  // Partitions have no device nodes of their own here.
  std::optional<std::vector<PartitionNode>> PartitionNodesOf(const std::string&) override {
    return std::nullopt;
  }

  std::vector<LogicalDrive> LogicalDrives() override { return ListLogicalDrives(); }
  int QueryDriveType(const std::string& rootPath) override { return DriveTypeOfRoot(rootPath); }
  std::optional<VolumeInformation> QueryVolumeInformation(const std::string& rootPath) override {
    return VolumeInformationOfRoot(rootPath);
  }
  std::optional<VolumeInformation> QueryVolumeOfPath(const std::string& path) override {
    auto root = VolumeRootOf(path);
    return root ? VolumeInformationOfRoot(*root) : std::nullopt;
  }
  std::optional<FreeSpace> QueryFreeSpace(const std::string& path) override { return FreeSpaceOfPath(path); }

  IdentityAnswer QueryDriveModel(int driveNumber) override {
    return QueryWmiProperty(DriveModelQuery(driveNumber), DriveModelProperty);
  }
  IdentityAnswer QueryDriveInterfaceType(int driveNumber) override {
    return QueryWmiProperty(DriveInterfaceTypeQuery(driveNumber), DriveInterfaceTypeProperty);
  }

  Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string& machine,
                                                          const std::string& service,
                                                          ServiceAccess access) override {
    return OpenWindowsService(machine, service, access);
  }
  void Sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  std::uint64_t MonotonicMilliseconds() override {
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
  }

  SettingValue ReadSetting(const std::string& name) override { return MachineRegistrySettings().Read(name); }
  bool WriteSettingNumber(const std::string& name, std::uint32_t value) override {
    return MachineRegistrySettings().WriteNumber(name, value);
  }
  bool EnsureSettingsStore() override { return MachineRegistrySettings().Ensure(); }

  std::string CurrentDirectory() override { return WorkingFolder(); }
  char PathSeparator() override { return '\\'; }
  std::string ShortDateFormat() override { return UserShortDateFormat(); }
  CalendarDate Today() override { return LocalToday(); }

  bool OpenWebAddress(const std::string& url) override { return OpenInBrowser(url); }

  std::string MessageVariant() override { return ""; }
};

}  // namespace
}  // namespace windows_backend

std::unique_ptr<Platform> MakeWindowsPlatform() {
  return std::make_unique<windows_backend::WindowsPlatform>();
}

}  // namespace drivecopy
