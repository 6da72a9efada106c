#include "platform/sim/HostFileHandle.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace fs = std::filesystem;

Failure HostFileError(int errnoValue, const fs::path& path) {
  int code = WindowsErrorForErrno(errnoValue);
  // Windows tells a missing folder from a missing file.
  std::error_code ignored;
  if (errnoValue == ENOENT &&
      !fs::is_directory(path.parent_path().empty() ? "." : path.parent_path(), ignored))
    code = ErrorPathNotFound;
  Failure error = WindowsError(code);
  error.text += " (" + path.string() + ": " + std::strerror(errnoValue) + ")";
  return error;
}

Failure HostFileError(const std::error_code& error, const fs::path& path) {
#ifdef _WIN32
  // The file system library of Windows reports the system's own codes.
  if (error.category() == std::system_category()) {
    Failure failure = WindowsError(error.value());
    failure.text += " (" + path.string() + ")";
    return failure;
  }
#endif
  return HostFileError(error.default_error_condition().value(), path);
}

HostFileHandle::HostFileHandle(HostFile file, bool writable, std::shared_ptr<VolumeFileArea> area)
    : file_(std::move(file)), writable_(writable), area_(std::move(area)) {}

HostFileHandle::~HostFileHandle() = default;

Outcome<std::unique_ptr<DeviceHandle>> HostFileHandle::Open(const fs::path& path, OpenMode mode,
                                                            std::shared_ptr<VolumeFileArea> area) {
  HostFile::Access access = HostFile::Access::Read;
  switch (mode) {
    case OpenMode::Read:
    case OpenMode::ReadUncached:  // the simulated machine keeps no cache of its own
      access = HostFile::Access::Read;
      break;
    case OpenMode::ReadWrite:
      access = HostFile::Access::ReadWrite;
      break;
    case OpenMode::CreateAlways:
      access = HostFile::Access::CreateAlways;
      break;
  }
  std::error_code ignored;
  const auto sizeBefore = fs::is_regular_file(path, ignored) ? fs::file_size(path, ignored) : 0;
  auto opened = HostFile::Open(path, access);
  if (!opened) return opened.error();
  // The replaced file's bytes become free again on its volume.
  if (area && mode == OpenMode::CreateAlways) area->Release(static_cast<std::int64_t>(sizeBefore));
  return std::unique_ptr<DeviceHandle>(new HostFileHandle(std::move(*opened), OpensForWriting(mode), area));
}

Outcome<void> HostFileHandle::Seek(std::int64_t offset) {
  if (offset < 0) return WindowsError(ErrorNegativeSeek);
  position_ = offset;
  return {};
}

Outcome<std::size_t> HostFileHandle::Read(std::span<std::byte> buffer) {
  auto got = file_.ReadAt(position_, buffer);
  if (!got) return got.error();
  position_ += static_cast<std::int64_t>(*got);
  return *got;
}

Outcome<std::size_t> HostFileHandle::Write(std::span<const std::byte> data) {
  if (!writable_) return WindowsError(ErrorAccessDenied);
  if (area_) {
    auto size = Size();
    if (!size) return size.error();
    auto booked = area_->Grow(*size, position_ + static_cast<std::int64_t>(data.size()));
    if (!booked) return booked.error();
  }
  if (auto written = file_.WriteAt(position_, data); !written) return written.error();
  position_ += static_cast<std::int64_t>(data.size());
  return data.size();
}

Outcome<void> HostFileHandle::Flush() { return file_.Sync(); }

Outcome<std::int64_t> HostFileHandle::Size() { return file_.Size(); }

}  // namespace drivecopy::sim
