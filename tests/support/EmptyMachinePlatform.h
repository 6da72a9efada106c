#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace drivecopy::test_support {

// A Platform that answers every request as a machine with nothing attached:
// no files, drives, volumes, services or settings. Test platforms derive from
// it and override only what their tests need.
class EmptyMachinePlatform : public Platform {
 public:
  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string&, OpenMode) override {
    return Failure::OfSystemCall(2, "No such file or directory");
  }
  Outcome<void> DeleteFile(const std::string&) override {
    return Failure::OfSystemCall(2, "No such file or directory");
  }
  Outcome<void> RenameOver(const std::string&, const std::string&) override {
    return Failure::OfSystemCall(2, "No such file or directory");
  }
  bool FileExists(const std::string&) override { return false; }
  bool IsSameFile(const std::string& first, const std::string& second) override { return first == second; }
  bool SharesStorage(const std::string& first, SectorRange, const std::string& second, SectorRange) override {
    return first == second;
  }
  std::vector<Occupant> OccupantsOf(const std::string&, SectorRange) override { return {}; }
  // Every claim is granted and holds nothing.
  ClaimResult ClaimForWriting(const std::string&, SectorRange, ClaimTarget) override {
    struct NothingHeld : WriteClaim {
      AfterWritingReport AfterWriting() override { return {}; }
    };
    return std::unique_ptr<WriteClaim>(std::make_unique<NothingHeld>());
  }
  ReadClaimResult ClaimForReading(const std::string&, SectorRange) override {
    return std::make_unique<ReadClaim>();
  }
  int PhysicalDriveSlots() override { return 25; }
  bool ProbesDrivesOnlyWithVolumes() override { return true; }
  std::optional<std::vector<PartitionNode>> PartitionNodesOf(const std::string&) override {
    return std::nullopt;
  }
  std::string MessageVariant() override { return {}; }
  std::string PhysicalDrivePath(int driveNumber) override {
    return "/nonexistent/drive" + std::to_string(driveNumber);
  }
  std::vector<LogicalDrive> LogicalDrives() override { return {}; }
  int QueryDriveType(const std::string&) override { return DriveNoRootDir; }
  std::optional<VolumeInformation> QueryVolumeInformation(const std::string&) override { return {}; }
  std::optional<VolumeInformation> QueryVolumeOfPath(const std::string&) override { return {}; }
  std::optional<FreeSpace> QueryFreeSpace(const std::string&) override { return {}; }
  IdentityAnswer QueryDriveModel(int) override { return {}; }
  IdentityAnswer QueryDriveInterfaceType(int) override { return {}; }
  Outcome<std::unique_ptr<ServiceConnection>> OpenService(const std::string&, const std::string&,
                                                          ServiceAccess) override {
    return Failure::OfSystemCall(1060, "The specified service does not exist as an installed service.");
  }
  void Sleep(std::uint32_t) override {}
  std::uint64_t MonotonicMilliseconds() override { return 0; }
  SettingValue ReadSetting(const std::string&) override { return {}; }
  bool WriteSettingNumber(const std::string&, std::uint32_t) override { return false; }
  bool EnsureSettingsStore() override { return false; }
  std::string CurrentDirectory() override { return "/tmp"; }
  char PathSeparator() override { return '/'; }
  std::string ShortDateFormat() override { return "yyyy-MM-dd"; }
  CalendarDate Today() override { return {2024, 1, 1}; }
  bool OpenWebAddress(const std::string&) override { return false; }
};

}  // namespace drivecopy::test_support
