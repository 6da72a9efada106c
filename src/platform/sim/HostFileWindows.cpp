// HostFile on Windows: a file handle with positioned ReadFile and WriteFile.
#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <random>

#include "platform/sim/HostFile.h"
#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace fs = std::filesystem;

namespace {

HANDLE Native(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

Failure LastError(const std::string& path) {
  Failure error = WindowsError(static_cast<int>(::GetLastError()));
  error.text += " (" + path + ")";
  return error;
}

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return position;
}

// One read or write call moves at most this much.
constexpr std::size_t LargestTransfer = 1u << 30;

}  // namespace

Outcome<HostFile> HostFile::Open(const fs::path& path, Access access) {
  const DWORD rights = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const DWORD disposition = access == Access::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  // A folder fails to open (access denied) without backup semantics, as on Windows.
  HANDLE handle = ::CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError(path.string());
  HostFile file(reinterpret_cast<std::intptr_t>(handle), path.string());
  if (::GetFileType(handle) != FILE_TYPE_DISK) return WindowsError(ErrorAccessDenied);
  return file;
}

Outcome<HostFile> HostFile::CreateTemporary(const std::string& label) {
  static std::atomic<unsigned> sequence{0};
  std::random_device seed;
  std::error_code ignored;
  const fs::path folder = fs::temp_directory_path(ignored);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path path = folder / ("drivecopy-sim-" + label + "-" + std::to_string(seed()) + "-" +
                                    std::to_string(sequence++) + ".tmp");
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
      return HostFile(reinterpret_cast<std::intptr_t>(handle), path.string());
    if (::GetLastError() != ERROR_FILE_EXISTS) return LastError(path.string());
  }
  return WindowsError(ErrorAccessDenied);
}

HostFile::HostFile(HostFile&& other) noexcept : native_(other.native_), path_(std::move(other.path_)) {
  other.native_ = Closed;
}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
  if (this != &other) {
    if (native_ != Closed) ::CloseHandle(Native(native_));
    native_ = other.native_;
    path_ = std::move(other.path_);
    other.native_ = Closed;
  }
  return *this;
}

HostFile::~HostFile() {
  if (native_ != Closed) ::CloseHandle(Native(native_));
}

Outcome<std::size_t> HostFile::ReadAt(std::int64_t offset, std::span<std::byte> buffer) const {
  std::size_t done = 0;
  while (done < buffer.size()) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    const DWORD want = static_cast<DWORD>(std::min(buffer.size() - done, LargestTransfer));
    DWORD got = 0;
    if (!::ReadFile(Native(native_), buffer.data() + done, want, &got, &position)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return LastError(path_);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

Outcome<void> HostFile::WriteAt(std::int64_t offset, std::span<const std::byte> data) {
  std::size_t done = 0;
  while (done < data.size()) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    const DWORD want = static_cast<DWORD>(std::min(data.size() - done, LargestTransfer));
    DWORD put = 0;
    if (!::WriteFile(Native(native_), data.data() + done, want, &put, &position)) return LastError(path_);
    done += put;
  }
  return {};
}

Outcome<void> HostFile::Sync() {
  if (!::FlushFileBuffers(Native(native_))) return LastError(path_);
  return {};
}

Outcome<std::int64_t> HostFile::Size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(Native(native_), &size)) return LastError(path_);
  return static_cast<std::int64_t>(size.QuadPart);
}

Outcome<void> HostFile::Resize(std::int64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = size;
  if (!::SetFileInformationByHandle(Native(native_), FileEndOfFileInfo, &end, sizeof end))
    return LastError(path_);
  return {};
}

}  // namespace drivecopy::sim
#endif
