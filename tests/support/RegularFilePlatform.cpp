#include "support/RegularFilePlatform.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace drivecopy::test_support {

namespace {

Failure LastError() { return Failure::OfSystemCall(errno, std::strerror(errno)); }

class FileStreamHandle : public DeviceHandle {
 public:
  explicit FileStreamHandle(std::fstream stream) : stream_(std::move(stream)) {}

  Outcome<void> Seek(std::int64_t offset) override {
    stream_.clear();
    stream_.seekg(offset);
    stream_.seekp(offset);
    if (!stream_) return Failure::OfSystemCall(22, "Invalid argument");
    return {};
  }
  Outcome<std::size_t> Read(std::span<std::byte> buffer) override {
    stream_.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    const auto count = static_cast<std::size_t>(stream_.gcount());
    if (stream_.bad()) return Failure::OfSystemCall(5, "Input/output error");
    stream_.clear();
    // Keep the write position with the read position: one shared position.
    stream_.seekp(stream_.tellg());
    return count;
  }
  Outcome<std::size_t> Write(std::span<const std::byte> data) override {
    stream_.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!stream_) return Failure::OfSystemCall(5, "Input/output error");
    stream_.seekg(stream_.tellp());
    return data.size();
  }
  Outcome<void> Flush() override {
    stream_.flush();
    if (!stream_) return Failure::OfSystemCall(5, "Input/output error");
    return {};
  }
  Outcome<std::int64_t> Size() override {
    const auto here = stream_.tellg();
    stream_.seekg(0, std::ios::end);
    const auto size = static_cast<std::int64_t>(stream_.tellg());
    stream_.seekg(here);
    return size;
  }
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return std::nullopt; }
  std::optional<DISK_GEOMETRY> QueryGeometry() override { return std::nullopt; }
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return std::nullopt; }

 private:
  std::fstream stream_;
};

}  // namespace

Outcome<std::unique_ptr<DeviceHandle>> RegularFilePlatform::Open(const std::string& path, OpenMode mode) {
  std::ios::openmode flags = std::ios::binary | std::ios::in;
  if (OpensForWriting(mode)) flags |= std::ios::out;
  if (mode == OpenMode::CreateAlways) flags |= std::ios::trunc;
  if (mode != OpenMode::CreateAlways && !std::filesystem::is_regular_file(path)) {
    return Failure::OfSystemCall(ENOENT, std::strerror(ENOENT));
  }
  errno = 0;
  std::fstream stream(path, flags);
  if (!stream) return errno != 0 ? LastError() : Failure::OfSystemCall(EACCES, std::strerror(EACCES));
  return std::unique_ptr<DeviceHandle>(std::make_unique<FileStreamHandle>(std::move(stream)));
}

Outcome<void> RegularFilePlatform::DeleteFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::remove(path, error)) return Failure::OfSystemCall(error.value(), error.message());
  return {};
}

Outcome<void> RegularFilePlatform::RenameOver(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  if (error) return Failure::OfSystemCall(error.value(), error.message());
  return {};
}

bool RegularFilePlatform::FileExists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace drivecopy::test_support
