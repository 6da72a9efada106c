#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/DeviceHandle.h"
#include "platform/Platform.h"
#include "platform/sim/HostFile.h"
#include "platform/sim/VolumeFileArea.h"

namespace drivecopy::sim {

// An ordinary file (image or log) on the host, either anywhere or inside a
// simulated volume's file area, whose free space then limits its growth.
// The disk requests all fail on a file.
class HostFileHandle final : public DeviceHandle {
 public:
  // `area` may be null for a file outside every simulated volume.
  static Outcome<std::unique_ptr<DeviceHandle>> Open(const std::filesystem::path& path, OpenMode mode,
                                                     std::shared_ptr<VolumeFileArea> area);
  ~HostFileHandle() override;

  Outcome<void> Seek(std::int64_t offset) override;
  Outcome<std::size_t> Read(std::span<std::byte> buffer) override;
  Outcome<std::size_t> Write(std::span<const std::byte> data) override;
  Outcome<void> Flush() override;
  Outcome<std::int64_t> Size() override;
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return std::nullopt; }
  std::optional<DISK_GEOMETRY> QueryGeometry() override { return std::nullopt; }
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return std::nullopt; }

 private:
  HostFileHandle(HostFile file, bool writable, std::shared_ptr<VolumeFileArea> area);

  HostFile file_;
  bool writable_;
  std::shared_ptr<VolumeFileArea> area_;
  std::int64_t position_ = 0;
};

// The error a host call left in errno (or a std::error_code), as the Windows
// code and text, naming the path.
Failure HostFileError(int errnoValue, const std::filesystem::path& path);
Failure HostFileError(const std::error_code& error, const std::filesystem::path& path);

}  // namespace drivecopy::sim
