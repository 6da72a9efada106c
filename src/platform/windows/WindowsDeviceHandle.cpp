#include "platform/windows/WindowsDeviceHandle.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/AlignedBuffer.h"
#include "platform/windows/SystemErrors.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsDevicePaths.h"
#include "platform/windows/records/DriveLayoutDecoding.h"
#include "platform/windows/records/GeometryDecoding.h"
#include "platform/windows/records/PartitionInformationDecoding.h"

namespace drivecopy::windows_backend {
namespace {

// What the bounce buffer moves at a time when a transfer is not aligned.
constexpr std::size_t BounceChunk = 1 << 20;
// Alignment of unbuffered file reads: a multiple of every sector size in use.
constexpr std::size_t FileUnbufferedAlignment = 4096;
// One read or write call moves at most this much.
constexpr std::size_t LargestCall = 1u << 30;

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return position;
}

// One positioned read: the count read, 0 at the end. A failure after part
// of the range was read is the failure (the caller tries smaller pieces).
Outcome<std::size_t> ReadAt(HANDLE handle, std::byte* memory, std::size_t length, std::int64_t offset) {
  std::size_t done = 0;
  while (done < length) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(length - done, LargestCall));
    if (!::ReadFile(handle, memory + done, want, &got, &position)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      if (done > 0) break;  // a short count; the next read meets the error
      return WindowsFailure(error);
    }
    done += got;
    if (got < want) break;
  }
  return done;
}

Outcome<void> WriteAllAt(HANDLE handle, const std::byte* memory, std::size_t length, std::int64_t offset) {
  std::size_t done = 0;
  while (done < length) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min(length - done, LargestCall));
    if (!::WriteFile(handle, memory + done, want, &put, &position)) return LastWindowsFailure();
    if (put == 0) return WindowsFailure(ERROR_DISK_FULL);
    done += put;
  }
  return {};
}

// The output of a disk request into a buffer that grows until the answer fits.
std::optional<std::vector<std::byte>> DeviceRequest(HANDLE handle, DWORD code, std::size_t firstSize) {
  std::vector<std::byte> output(firstSize);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD returned = 0;
    if (::DeviceIoControl(handle, code, nullptr, 0, output.data(), static_cast<DWORD>(output.size()),
                          &returned, nullptr)) {
      output.resize(returned);
      return output;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) return std::nullopt;
    output.resize(output.size() * 2);
  }
  return std::nullopt;
}

class WindowsDeviceHandle final : public DeviceHandle {
 public:
  WindowsDeviceHandle(UniqueHandle handle, bool isDevice, std::size_t alignment)
      : handle_(std::move(handle)), isDevice_(isDevice), alignment_(alignment) {}

  Outcome<void> Seek(std::int64_t offset) override {
    if (offset < 0) return WindowsFailure(ERROR_NEGATIVE_SEEK);
    position_ = offset;
    return {};
  }

  Outcome<std::size_t> Read(std::span<std::byte> buffer) override {
    if (buffer.empty()) return std::size_t{0};
    if (!Aligned(buffer.data(), position_, buffer.size())) return ReadThroughBounceBuffer(buffer);
    auto got = ReadAt(handle_.Get(), buffer.data(), buffer.size(), position_);
    if (!got) return got.error();
    // A short count is passed on as it is: the caller decides what the
    // missing part means (end of device or an unreadable sector).
    position_ += static_cast<std::int64_t>(*got);
    return *got;
  }

  Outcome<std::size_t> Write(std::span<const std::byte> data) override {
    if (data.empty()) return std::size_t{0};
    if (Aligned(data.data(), position_, data.size())) {
      if (auto written = WriteAllAt(handle_.Get(), data.data(), data.size(), position_); !written)
        return written.error();
    } else if (auto written = WriteThroughBounceBuffer(data); !written) {
      return written.error();
    }
    position_ += static_cast<std::int64_t>(data.size());
    return data.size();
  }

  Outcome<void> Flush() override {
    if (!::FlushFileBuffers(handle_.Get())) return LastWindowsFailure();
    return {};
  }

  Outcome<std::int64_t> Size() override {
    if (isDevice_) {
      GET_LENGTH_INFORMATION length{};
      DWORD returned = 0;
      if (!::DeviceIoControl(handle_.Get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                             &returned, nullptr))
        return LastWindowsFailure();
      return static_cast<std::int64_t>(length.Length.QuadPart);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_.Get(), &size)) return LastWindowsFailure();
    return static_cast<std::int64_t>(size.QuadPart);
  }

  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override {
    if (!isDevice_) return std::nullopt;
    auto output =
        DeviceRequest(handle_.Get(), IOCTL_DISK_GET_PARTITION_INFO_EX, sizeof(PARTITION_INFORMATION_EX));
    return output ? DecodePartitionInformation(*output) : std::nullopt;
  }

  std::optional<DISK_GEOMETRY> QueryGeometry() override {
    if (!isDevice_) return std::nullopt;
    auto output = DeviceRequest(handle_.Get(), IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, 256);
    if (!output) return std::nullopt;
    auto decoded = DecodeGeometry(*output);
    return decoded ? std::optional(decoded->Geometry) : std::nullopt;
  }

  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override {
    if (!isDevice_) return std::nullopt;
    auto output = DeviceRequest(handle_.Get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX,
                                sizeof(DRIVE_LAYOUT_INFORMATION_EX) + 128 * sizeof(PARTITION_INFORMATION_EX));
    return output ? DecodeDriveLayout(*output) : std::nullopt;
  }

  std::size_t PreferredAlignment() const override { return alignment_ == 0 ? 1 : alignment_; }

  bool StillPresent() override {
    if (!isDevice_) return true;
    DWORD returned = 0;
    if (::DeviceIoControl(handle_.Get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0, &returned,
                          nullptr))
      return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_NOT_READY && error != ERROR_DEVICE_NOT_CONNECTED && error != ERROR_DEV_NOT_EXIST;
  }

 private:
  bool Aligned(const void* memory, std::int64_t offset, std::size_t length) const {
    if (alignment_ == 0) return true;
    return reinterpret_cast<std::uintptr_t>(memory) % alignment_ == 0 &&
           static_cast<std::uint64_t>(offset) % alignment_ == 0 && length % alignment_ == 0;
  }

  Outcome<std::size_t> ReadThroughBounceBuffer(std::span<std::byte> buffer) {
    const std::size_t alignment = alignment_;
    const AlignedBuffer bounce = AlignedBuffer::TryAllocate(BounceChunk + 2 * alignment, alignment);
    if (!bounce) return WindowsFailure(ERROR_NOT_ENOUGH_MEMORY);
    std::size_t done = 0;
    while (done < buffer.size()) {
      const std::int64_t start = position_ + static_cast<std::int64_t>(done);
      const std::size_t want = std::min(buffer.size() - done, BounceChunk);
      const auto head = static_cast<std::size_t>(start % static_cast<std::int64_t>(alignment));
      const std::size_t span = (head + want + alignment - 1) / alignment * alignment;
      auto got = ReadAt(handle_.Get(), bounce.data(), span, start - static_cast<std::int64_t>(head));
      if (!got) {
        if (done == 0) return got.error();
        break;  // what was read so far is a short count; the next read meets the error
      }
      const std::size_t usable = *got > head ? std::min(*got - head, want) : 0;
      std::memcpy(buffer.data() + done, bounce.data() + head, usable);
      done += usable;
      if (usable < want) break;
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
  }

  // Unbuffered writes cover whole sectors only: a partly covered first or
  // last sector is read first so that the bytes around the data stay.
  Outcome<void> WriteThroughBounceBuffer(std::span<const std::byte> data) {
    const std::size_t alignment = alignment_;
    const AlignedBuffer bounce = AlignedBuffer::TryAllocate(BounceChunk + 2 * alignment, alignment);
    if (!bounce) return WindowsFailure(ERROR_NOT_ENOUGH_MEMORY);
    std::size_t done = 0;
    while (done < data.size()) {
      const std::int64_t start = position_ + static_cast<std::int64_t>(done);
      const std::size_t want = std::min(data.size() - done, BounceChunk);
      const auto head = static_cast<std::size_t>(start % static_cast<std::int64_t>(alignment));
      const std::size_t span = (head + want + alignment - 1) / alignment * alignment;
      const std::int64_t alignedStart = start - static_cast<std::int64_t>(head);
      auto readSector = [&](std::size_t at) -> Outcome<void> {
        auto got = ReadAt(handle_.Get(), bounce.data() + at, alignment,
                          alignedStart + static_cast<std::int64_t>(at));
        if (!got) return got.error();
        if (*got != alignment) return WindowsFailure(ERROR_DISK_FULL);  // past the end of the device
        return {};
      };
      if (head != 0)
        if (auto read = readSector(0); !read) return read.error();
      if ((head + want) % alignment != 0 && (span > alignment || head == 0))
        if (auto read = readSector(span - alignment); !read) return read.error();
      std::memcpy(bounce.data() + head, data.data() + done, want);
      if (auto written = WriteAllAt(handle_.Get(), bounce.data(), span, alignedStart); !written)
        return written.error();
      done += want;
    }
    return {};
  }

  UniqueHandle handle_;
  bool isDevice_;
  std::size_t alignment_;  // 0: cached, any transfer goes as it is
  std::int64_t position_ = 0;
};

Failure RefusedPath(const std::string& why) {
  return Failure::OfSystemCall(ERROR_ACCESS_DENIED, SystemErrorText(ERROR_ACCESS_DENIED) + " (" + why + ")");
}

std::size_t DeviceSectorSize(HANDLE handle) {
  auto output = DeviceRequest(handle, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, 256);
  auto decoded = output ? DecodeGeometry(*output) : std::nullopt;
  const std::uint32_t bytes = decoded ? decoded->Geometry.BytesPerSector : 0;
  const bool usable = bytes >= 512 && bytes <= 65536 && (bytes & (bytes - 1)) == 0;
  return usable ? bytes : 512;
}

}  // namespace

Outcome<std::unique_ptr<DeviceHandle>> OpenWindowsFile(const std::string& path, OpenMode mode,
                                                       Buffering buffering) {
  const std::wstring wide = Widen(path);
  if (wide.empty()) return WindowsFailure(ERROR_PATH_NOT_FOUND);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return RefusedPath("it is a folder, not a file");

  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::Read:
      break;
    case OpenMode::ReadUncached:
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
    case OpenMode::ReadWrite:
      access |= GENERIC_WRITE;
      break;
    case OpenMode::CreateAlways:
      access |= GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (buffering == Buffering::Unbuffered) flags = FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH;
  // Only an existing file is emptied by CREATE_ALWAYS; a reparse point is
  // not followed to another place.
  if (mode == OpenMode::CreateAlways && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return RefusedPath("it is a link, not a regular file, so it is not replaced");
  UniqueHandle handle(::CreateFileW(wide.c_str(), access, share, nullptr, disposition, flags, nullptr));
  if (!handle.Valid()) {
    const DWORD error = ::GetLastError();
    // An image that another job holds open for writing is not yet what it will be.
    if (mode == OpenMode::Read && error == ERROR_SHARING_VIOLATION)
      return Failure::OfSystemCall(static_cast<int>(error), "another program is writing it")
          .Naming(BackendReason::AnotherWriter);
    return WindowsFailure(error);
  }
  if (::GetFileType(handle.Get()) != FILE_TYPE_DISK) return RefusedPath("it is not a file or a disk device");
  const std::size_t alignment = buffering == Buffering::Unbuffered ? FileUnbufferedAlignment : 0;
  return std::unique_ptr<DeviceHandle>(
      std::make_unique<WindowsDeviceHandle>(std::move(handle), false, alignment));
}

Outcome<std::unique_ptr<DeviceHandle>> OpenWindowsDevice(const std::string& path, OpenMode mode) {
  if (!IsRawDevicePath(path))
    return OpenWindowsFile(path, mode,
                           mode == OpenMode::ReadUncached ? Buffering::Unbuffered : Buffering::Cached);
  if (mode == OpenMode::CreateAlways) return RefusedPath("a device is never created or emptied");
  const DWORD access = OpensForWriting(mode) ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  // Raw devices are shared with the system, which keeps its volumes on them
  // open; what may not be written while the job runs is held by the claim.
  UniqueHandle handle(::CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH,
                                    nullptr));
  if (!handle.Valid()) return LastWindowsFailure();
  if (OpensForWriting(mode) && VolumeLetterOf(path)) {
    // A volume is written only while this handle holds it locked and its
    // file system dismounted; the lock goes with the handle.
    DWORD returned = 0;
    if (!::DeviceIoControl(handle.Get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) ||
        !::DeviceIoControl(handle.Get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr))
      return LastWindowsFailure();
  }
  const std::size_t alignment = DeviceSectorSize(handle.Get());
  return std::unique_ptr<DeviceHandle>(
      std::make_unique<WindowsDeviceHandle>(std::move(handle), true, alignment));
}

}  // namespace drivecopy::windows_backend
