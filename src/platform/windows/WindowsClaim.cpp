#include "platform/windows/WindowsClaim.h"

#include <windows.h>
#include <winioctl.h>

#include <memory>

#include "platform/windows/SystemErrors.h"
#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsDevicePaths.h"
#include "platform/windows/WindowsStorage.h"
#include "platform/windows/WindowsVolumes.h"

namespace drivecopy::windows_backend {
namespace {

// The letter of the volume the running system lives on.
std::optional<char> SystemVolumeLetter() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH + 1);
  if (length < 2 || folder[1] != L':') return std::nullopt;
  return static_cast<char>(std::towupper(folder[0]));
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The byte range a file claim locks: past the end of any file there can be,
// so the job's own reads and writes of the file never meet it.
constexpr DWORD LockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD LockOffsetLow = 0xFFFFFFF0;

class FileClaim final : public WriteClaim {
 public:
  explicit FileClaim(UniqueHandle handle) : handle_(std::move(handle)) {}
  ~FileClaim() override {
    OVERLAPPED at{};
    at.Offset = LockOffsetLow;
    at.OffsetHigh = LockOffsetHigh;
    ::UnlockFileEx(handle_.Get(), 0, 1, 0, &at);
  }
  AfterWritingReport AfterWriting() override { return {}; }

 private:
  UniqueHandle handle_;
};

// A log file that does not exist yet: nothing to hold.
class NothingHeld final : public WriteClaim {
 public:
  AfterWritingReport AfterWriting() override { return {}; }
};

class DeviceClaim final : public WriteClaim {
 public:
  DeviceClaim(std::string path, bool wholeDisk, std::vector<UniqueHandle> lockedVolumes)
      : path_(std::move(path)), wholeDisk_(wholeDisk), lockedVolumes_(std::move(lockedVolumes)) {}
  ~DeviceClaim() override {
    for (UniqueHandle& volume : lockedVolumes_) {
      DWORD returned = 0;
      ::DeviceIoControl(volume.Get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
    }
  }

  // A written disk has its partition table read anew, so that the system
  // shows the partitions now on it.
  AfterWritingReport AfterWriting() override {
    AfterWritingReport report;
    if (!wholeDisk_) return report;
    UniqueHandle disk(::CreateFileW(Widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD returned = 0;
    if (!disk.Valid() || !::DeviceIoControl(disk.Get(), IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0,
                                            &returned, nullptr))
      report.PartitionTableNotReread = LastWindowsFailure().Naming(BackendReason::PartitionTableNotReadBack);
    return report;
  }

 private:
  std::string path_;
  bool wholeDisk_;
  std::vector<UniqueHandle> lockedVolumes_;
};

ClaimRefusal Refusal(ClaimRefusalReason reason, Failure error = {}) {
  return ClaimRefusal{reason, {}, std::move(error)};
}

// Locks and dismounts the volume "\\.\X:"; the open handle holds the lock.
std::variant<UniqueHandle, ClaimRefusal> LockVolume(char letter) {
  const std::string name{letter, ':'};
  UniqueHandle volume(::CreateFileW(Widen("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!volume.Valid()) return Refusal(ClaimRefusalReason::Failed, LastWindowsFailure());
  DWORD returned = 0;
  if (!::DeviceIoControl(volume.Get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr))
    return ClaimRefusal{ClaimRefusalReason::Occupied, {Occupant{OccupantKind::MountedFileSystem, name}}, {}};
  if (!::DeviceIoControl(volume.Get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr)) {
    ::DeviceIoControl(volume.Get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
    return ClaimRefusal{ClaimRefusalReason::Occupied, {Occupant{OccupantKind::MountedFileSystem, name}}, {}};
  }
  return volume;
}

bool IsWriteProtected(const std::string& path) {
  UniqueHandle device(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  DWORD returned = 0;
  return device.Valid() &&
         !::DeviceIoControl(device.Get(), IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, &returned,
                            nullptr) &&
         ::GetLastError() == ERROR_WRITE_PROTECT;
}

ClaimResult ClaimDevice(const std::string& path, SectorRange range) {
  if (IsWriteProtected(path)) return Refusal(ClaimRefusalReason::ReadOnly);
  const std::vector<DiskExtent> written = DiskBytesOf(path, range);
  std::vector<UniqueHandle> locked;
  for (const LogicalDrive& drive : ListLogicalDrives()) {
    const char letter = drive.DriveName[0];
    const bool isTheDestination = SameFileOrDevice(drive.DevicePath, path);
    if (!isTheDestination && !ExtentsMeet(ExtentsOfVolume(letter), written)) continue;
    auto lockedVolume = LockVolume(letter);
    if (auto* refusal = std::get_if<ClaimRefusal>(&lockedVolume)) return std::move(*refusal);
    // A volume that is the destination itself is written through a handle of
    // its own, which a lock held here would shut out: the job's write handle
    // takes the lock for itself (OpenWindowsDevice). Locking it here once
    // tells now, by name, when files are open on it.
    if (isTheDestination) continue;
    locked.push_back(std::move(std::get<UniqueHandle>(lockedVolume)));
  }
  return std::make_unique<DeviceClaim>(path, PhysicalDriveNumberOf(path).has_value(), std::move(locked));
}

ClaimResult ClaimFile(const std::string& path, ClaimTarget target) {
  const std::wstring wide = Widen(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES &&
      (target == ClaimTarget::LogFile || target == ClaimTarget::ReplacedImage))
    return std::make_unique<NothingHeld>();
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return Refusal(ClaimRefusalReason::NotRegularFile);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return Refusal(ClaimRefusalReason::ReadOnly);
  const DWORD disposition = target == ClaimTarget::ImageFile ? OPEN_ALWAYS : OPEN_EXISTING;
  // Read access only, sharing writes: the job's own handle writes the file.
  // An image file is renamed at the end while this handle holds it, so it
  // shares that too. The file an image replaces is held with the right to
  // delete it: a handle that does not share that right (a restore reading
  // the old image) refuses the claim now rather than the rename at the end.
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (target == ClaimTarget::ImageFile || target == ClaimTarget::ReplacedImage) share |= FILE_SHARE_DELETE;
  if (target == ClaimTarget::ReplacedImage) access |= DELETE;
  UniqueHandle file(
      ::CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
      return Refusal(ClaimRefusalReason::InUse);
    return Refusal(ClaimRefusalReason::Failed, WindowsFailure(error));
  }
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return Refusal(ClaimRefusalReason::NotRegularFile);
  OVERLAPPED at{};
  at.Offset = LockOffsetLow;
  at.OffsetHigh = LockOffsetHigh;
  if (!::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return Refusal(ClaimRefusalReason::InUse);
    return Refusal(ClaimRefusalReason::Failed, WindowsFailure(error));
  }
  return std::make_unique<FileClaim>(std::move(file));
}

}  // namespace

std::vector<Occupant> FindOccupants(const std::string& path, SectorRange range) {
  std::vector<Occupant> occupants;
  if (!IsRawDevicePath(path)) return occupants;
  const std::vector<DiskExtent> written = DiskBytesOf(path, range);
  const auto systemLetter = SystemVolumeLetter();
  for (const LogicalDrive& drive : ListLogicalDrives()) {
    const char letter = drive.DriveName[0];
    const bool isTheDestination = SameFileOrDevice(drive.DevicePath, path);
    if (!isTheDestination && !ExtentsMeet(ExtentsOfVolume(letter), written)) continue;
    if (systemLetter && letter == *systemLetter)
      occupants.push_back(Occupant{OccupantKind::MountedFileSystem, drive.DriveName});
    const std::string pageFile = drive.RootPath + "pagefile.sys";
    if (FileExists(Widen(pageFile))) occupants.push_back(Occupant{OccupantKind::ActiveSwap, pageFile});
  }
  return occupants;
}

ClaimResult ClaimWindowsPath(const std::string& path, SectorRange range, ClaimTarget target) {
  if (IsRawDevicePath(path)) {
    if (target != ClaimTarget::Destination) return Refusal(ClaimRefusalReason::NotRegularFile);
    return ClaimDevice(path, range);
  }
  return ClaimFile(path, target);
}

}  // namespace drivecopy::windows_backend
