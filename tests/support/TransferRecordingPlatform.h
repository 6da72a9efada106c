#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace drivecopy::test_support {

// Wraps another Platform and records every open, read and write made through
// the handles it hands out, so that a test can check how a job moved its
// data (chunk sizes, offsets, open modes). Writes to a path listed in
// ShortWritePaths store only their first half when longer than one sector
// and report that count, as a device that stops part way would; flushes of
// a path in FailingFlushPaths fail.
class TransferRecordingPlatform : public Platform {
 public:
  struct Transfer {
    std::string Path;
    std::int64_t Offset = 0;
    std::size_t Bytes = 0;
    bool operator==(const Transfer&) const = default;
  };
  struct Opening {
    std::string Path;
    OpenMode Mode;
  };

  explicit TransferRecordingPlatform(Platform& inner) : inner_(inner) {}

  std::vector<Opening> Openings;
  std::vector<Transfer> Writes;
  std::vector<Transfer> Reads;
  std::set<std::string> ShortWritePaths;
  // Flushes of handles to these paths fail with "Input/output error" (5).
  std::set<std::string> FailingFlushPaths;

  std::vector<Transfer> WritesTo(const std::string& path) const {
    std::vector<Transfer> found;
    for (const auto& write : Writes)
      if (write.Path == path) found.push_back(write);
    return found;
  }

  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override {
    Openings.push_back({path, mode});
    auto opened = inner_.Open(path, mode);
    if (!opened) return opened.error();
    return std::unique_ptr<DeviceHandle>(std::make_unique<RecordingHandle>(*this, path, std::move(*opened)));
  }
  Outcome<void> DeleteFile(const std::string& path) override { return inner_.DeleteFile(path); }
  Outcome<void> RenameOver(const std::string& from, const std::string& to) override {
    return inner_.RenameOver(from, to);
  }
  bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
  bool IsSameFile(const std::string& a, const std::string& b) override { return inner_.IsSameFile(a, b); }
  bool SharesStorage(const std::string& a, SectorRange ra, const std::string& b, SectorRange rb) override {
    return inner_.SharesStorage(a, ra, b, rb);
  }
  std::vector<Occupant> OccupantsOf(const std::string& path, SectorRange range) override {
    return inner_.OccupantsOf(path, range);
  }
  ClaimResult ClaimForWriting(const std::string& path, SectorRange range, ClaimTarget target) override {
    return inner_.ClaimForWriting(path, range, target);
  }
  ReadClaimResult ClaimForReading(const std::string& path, SectorRange range) override {
    return inner_.ClaimForReading(path, range);
  }
  int PhysicalDriveSlots() override { return inner_.PhysicalDriveSlots(); }
  std::string PhysicalDrivePath(int driveNumber) override { return inner_.PhysicalDrivePath(driveNumber); }
  bool ProbesDrivesOnlyWithVolumes() override { return inner_.ProbesDrivesOnlyWithVolumes(); }
  std::optional<std::vector<PartitionNode>> PartitionNodesOf(const std::string& diskPath) override {
    return inner_.PartitionNodesOf(diskPath);
  }
  std::string MessageVariant() override { return inner_.MessageVariant(); }
  std::vector<LogicalDrive> LogicalDrives() override { return inner_.LogicalDrives(); }
  int QueryDriveType(const std::string& rootPath) override { return inner_.QueryDriveType(rootPath); }
  std::optional<VolumeInformation> QueryVolumeInformation(const std::string& rootPath) override {
    return inner_.QueryVolumeInformation(rootPath);
  }
  std::optional<VolumeInformation> QueryVolumeOfPath(const std::string& path) override {
    return inner_.QueryVolumeOfPath(path);
  }
  std::optional<FreeSpace> QueryFreeSpace(const std::string& path) override {
    return inner_.QueryFreeSpace(path);
  }
  IdentityAnswer QueryDriveModel(int driveNumber) override { return inner_.QueryDriveModel(driveNumber); }
  IdentityAnswer QueryDriveInterfaceType(int driveNumber) override {
    return inner_.QueryDriveInterfaceType(driveNumber);
  }
  Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string& machine,
                                                          const std::string& service,
                                                          ServiceAccess access) override {
    return inner_.OpenService(machine, service, access);
  }
  void Sleep(std::uint32_t milliseconds) override { inner_.Sleep(milliseconds); }
  std::uint64_t MonotonicMilliseconds() override { return inner_.MonotonicMilliseconds(); }
  SettingValue ReadSetting(const std::string& name) override { return inner_.ReadSetting(name); }
  bool WriteSettingNumber(const std::string& name, std::uint32_t value) override {
    return inner_.WriteSettingNumber(name, value);
  }
  bool EnsureSettingsStore() override { return inner_.EnsureSettingsStore(); }
  std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  char PathSeparator() override { return inner_.PathSeparator(); }
  std::string ShortDateFormat() override { return inner_.ShortDateFormat(); }
  CalendarDate Today() override { return inner_.Today(); }
  bool OpenWebAddress(const std::string& url) override { return inner_.OpenWebAddress(url); }

 private:
  class RecordingHandle : public DeviceHandle {
   public:
    RecordingHandle(TransferRecordingPlatform& owner, std::string path, std::unique_ptr<DeviceHandle> inner)
        : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {}
    Outcome<void> Seek(std::int64_t offset) override {
      auto sought = inner_->Seek(offset);
      if (sought) position_ = offset;
      return sought;
    }
    Outcome<std::size_t> Read(std::span<std::byte> buffer) override {
      owner_.Reads.push_back({path_, position_, buffer.size()});
      auto read = inner_->Read(buffer);
      if (read) position_ += static_cast<std::int64_t>(*read);
      return read;
    }
    Outcome<std::size_t> Write(std::span<const std::byte> data) override {
      owner_.Writes.push_back({path_, position_, data.size()});
      if (owner_.ShortWritePaths.contains(path_) && data.size() > 512) data = data.first(data.size() / 2);
      auto written = inner_->Write(data);
      if (written) position_ += static_cast<std::int64_t>(*written);
      return written;
    }
    Outcome<void> Flush() override {
      if (owner_.FailingFlushPaths.contains(path_)) return Failure::OfSystemCall(5, "Input/output error");
      return inner_->Flush();
    }
    Outcome<std::int64_t> Size() override { return inner_->Size(); }
    std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override {
      return inner_->QueryPartitionInfo();
    }
    std::optional<DISK_GEOMETRY> QueryGeometry() override { return inner_->QueryGeometry(); }
    std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return inner_->QueryLayout(); }
    std::size_t PreferredAlignment() const override { return inner_->PreferredAlignment(); }

   private:
    TransferRecordingPlatform& owner_;
    std::string path_;
    std::unique_ptr<DeviceHandle> inner_;
    std::int64_t position_ = 0;
  };

  Platform& inner_;
};

}  // namespace drivecopy::test_support
