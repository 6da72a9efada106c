#include "platform/windows/WindowsStorage.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cwctype>
#include <optional>

#include "platform/Units.h"
#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsDevicePaths.h"

namespace drivecopy::windows_backend {
namespace {

std::int64_t ClampedBytes(std::int64_t sectors) {
  return sectors > INT64_MAX / BytesPerSector ? INT64_MAX : sectors * BytesPerSector;
}

UniqueHandle OpenForQueries(const std::string& path) {
  return UniqueHandle(::CreateFileW(Widen(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

struct FileIdentity {
  DWORD VolumeSerial = 0;
  std::uint64_t Index = 0;
  bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  UniqueHandle handle = OpenForQueries(path);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!handle.Valid() || !::GetFileInformationByHandle(handle.Get(), &information)) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

std::optional<STORAGE_DEVICE_NUMBER> DeviceNumberOf(const std::string& path) {
  UniqueHandle handle = OpenForQueries(path);
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  if (!handle.Valid() || !::DeviceIoControl(handle.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                                            &number, sizeof number, &returned, nullptr))
    return std::nullopt;
  return number;
}

bool SameText(const std::string& first, const std::string& second) {
  return std::equal(first.begin(), first.end(), second.begin(), second.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::vector<DiskExtent> DiskBytesOf(const std::string& path, SectorRange range) {
  const std::int64_t first = ClampedBytes(range.FirstSector);
  const std::int64_t end = ClampedBytes(range.EndSector);
  if (auto drive = PhysicalDriveNumberOf(path))
    return {DiskExtent{static_cast<std::uint32_t>(*drive), first, end - first}};
  std::vector<DiskExtent> extents;
  if (auto letter = VolumeLetterOf(path)) {
    extents = ExtentsOfVolume(*letter);
    // A range of a volume that lies in one piece maps onto its disk exactly;
    // a spanned volume counts as a whole.
    if (extents.size() == 1) {
      DiskExtent& only = extents.front();
      const std::int64_t start = only.StartingOffset + std::min(first, only.Length);
      const std::int64_t stop = only.StartingOffset + std::min(end, only.Length);
      only = DiskExtent{only.DiskNumber, start, stop - start};
    }
    return extents;
  }
  if (IsRawDevicePath(path)) return {};
  if (auto root = VolumeRootOf(path); root && root->size() >= 2 && (*root)[1] == ':')
    return ExtentsOfVolume(static_cast<char>(std::toupper(static_cast<unsigned char>((*root)[0]))));
  return {};
}

bool ExtentsMeet(const std::vector<DiskExtent>& first, const std::vector<DiskExtent>& second) {
  for (const DiskExtent& a : first)
    for (const DiskExtent& b : second)
      if (a.DiskNumber == b.DiskNumber && a.Length > 0 && b.Length > 0 &&
          a.StartingOffset < b.StartingOffset + b.Length && b.StartingOffset < a.StartingOffset + a.Length)
        return true;
  return false;
}

bool SameFileOrDevice(const std::string& first, const std::string& second) {
  if (first.empty() || second.empty()) return false;
  if (SameText(first, second)) return true;
  if (IsRawDevicePath(first) != IsRawDevicePath(second)) return false;
  if (!IsRawDevicePath(first)) {
    auto a = IdentityOfFile(first);
    auto b = IdentityOfFile(second);
    return a && b && *a == *b;
  }
  auto a = DeviceNumberOf(first);
  auto b = DeviceNumberOf(second);
  return a && b && a->DeviceType == b->DeviceType && a->DeviceNumber == b->DeviceNumber &&
         a->PartitionNumber == b->PartitionNumber;
}

bool PathsShareStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                       SectorRange secondRange) {
  const bool firstIsFile = !IsRawDevicePath(first);
  const bool secondIsFile = !IsRawDevicePath(second);
  if (firstIsFile && secondIsFile) return SameFileOrDevice(first, second);
  if (SameFileOrDevice(first, second))
    return firstRange.FirstSector < secondRange.EndSector && secondRange.FirstSector < firstRange.EndSector;
  return ExtentsMeet(DiskBytesOf(first, firstRange), DiskBytesOf(second, secondRange));
}

}  // namespace drivecopy::windows_backend
