#include "platform/windows/WindowsVolumes.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"

namespace drivecopy::windows_backend {

std::vector<LogicalDrive> ListLogicalDrives() {
  std::vector<LogicalDrive> drives;
  const DWORD letters = ::GetLogicalDrives();
  for (int index = 0; index < 26; ++index) {
    if ((letters & (1u << index)) == 0) continue;
    const char letter = static_cast<char>('A' + index);
    const std::string name{letter, ':'};
    drives.push_back(LogicalDrive{name + "\\", "\\\\.\\" + name, name, letter == 'A' || letter == 'B'});
  }
  return drives;
}

int DriveTypeOfRoot(const std::string& rootPath) {
  return static_cast<int>(::GetDriveTypeW(Widen(rootPath).c_str()));
}

std::optional<VolumeInformation> VolumeInformationOfRoot(const std::string& rootPath) {
  wchar_t volumeName[MAX_PATH + 1] = {};
  wchar_t fileSystemName[MAX_PATH + 1] = {};
  DWORD serial = 0;
  DWORD longestName = 0;
  DWORD flags = 0;
  // No error box for a drive without a medium: the answer is "not ready".
  const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
  const BOOL ok = ::GetVolumeInformationW(Widen(rootPath).c_str(), volumeName, MAX_PATH + 1, &serial,
                                          &longestName, &flags, fileSystemName, MAX_PATH + 1);
  ::SetErrorMode(previousMode);
  if (!ok) return std::nullopt;
  return VolumeInformation{Narrow(volumeName), Narrow(fileSystemName)};
}

std::optional<std::string> VolumeRootOf(const std::string& path) {
  std::error_code ignored;
  const std::wstring absolute = std::filesystem::absolute(Widen(path), ignored).wstring();
  wchar_t root[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(absolute.c_str(), root, MAX_PATH + 1)) return std::nullopt;
  return Narrow(root);
}

std::optional<FreeSpace> FreeSpaceOfPath(const std::string& path) {
  // The nearest folder that exists: the file itself may not yet.
  std::error_code ignored;
  std::filesystem::path folder = std::filesystem::absolute(Widen(path), ignored);
  while (!folder.empty() && !std::filesystem::is_directory(folder, ignored) && folder != folder.parent_path())
    folder = folder.parent_path();
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  if (!::GetDiskFreeSpaceExW(folder.wstring().c_str(), &available, &total, nullptr)) return std::nullopt;
  return FreeSpace{static_cast<std::int64_t>(available.QuadPart), static_cast<std::int64_t>(total.QuadPart)};
}

std::vector<DiskExtent> ExtentsOfVolume(char letter) {
  const std::wstring device = L"\\\\.\\" + std::wstring(1, static_cast<wchar_t>(letter)) + L":";
  // No access rights are needed for the request, and none are taken.
  UniqueHandle volume(::CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!volume.Valid()) return {};
  // Room for a volume spread over 32 disks.
  alignas(VOLUME_DISK_EXTENTS) std::byte output[sizeof(VOLUME_DISK_EXTENTS) + 31 * sizeof(DISK_EXTENT)] = {};
  DWORD returned = 0;
  if (!::DeviceIoControl(volume.Get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, output,
                         sizeof output, &returned, nullptr)) {
    // Where the system does not say where the volume lies, but on which
    // disk it is, it counts as lying anywhere on that disk: the guard would
    // rather lock a volume too many than write under a mounted one.
    STORAGE_DEVICE_NUMBER number{};
    if (::DeviceIoControl(volume.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                          &returned, nullptr) &&
        number.DeviceType == FILE_DEVICE_DISK)
      return {DiskExtent{number.DeviceNumber, 0, INT64_MAX}};
    return {};
  }
  const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(output);
  std::vector<DiskExtent> result;
  const DWORD count = std::min<DWORD>(extents->NumberOfDiskExtents, 32);
  const DISK_EXTENT* first = extents->Extents;  // the record's array is declared with one entry
  for (DWORD index = 0; index < count; ++index) {
    const DISK_EXTENT& extent = first[index];
    result.push_back(DiskExtent{extent.DiskNumber, static_cast<std::int64_t>(extent.StartingOffset.QuadPart),
                                static_cast<std::int64_t>(extent.ExtentLength.QuadPart)});
  }
  return result;
}

}  // namespace drivecopy::windows_backend
