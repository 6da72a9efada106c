#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/EmptyMachinePlatform.h"

namespace drivecopy::test_support {

// A Platform that only knows settings and in-memory files, for tests of code
// that stores the language or writes a log. Every other request answers as
// an empty machine would. Failures are switched on by the public flags.
class FakeSettingsPlatform : public EmptyMachinePlatform {
 public:
  // --- settings ---
  std::map<std::string, SettingValue> Settings;
  bool StoreWritable = true;
  int SettingWrites = 0;

  // --- files: the bytes each path holds once written and flushed ---
  std::map<std::string, std::vector<std::byte>> Files;
  bool FailOpen = false;
  bool FailWrite = false;
  bool FailFlush = false;

  SettingValue ReadSetting(const std::string& name) override {
    auto found = Settings.find(name);
    return found == Settings.end() ? SettingValue{} : found->second;
  }
  bool WriteSettingNumber(const std::string& name, std::uint32_t value) override {
    if (!StoreWritable) return false;
    ++SettingWrites;
    Settings[name] = SettingValue{SettingValue::Type::Number, value};
    return true;
  }
  bool EnsureSettingsStore() override { return StoreWritable; }

  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override {
    if (FailOpen) return Failure::OfSystemCall(13, "Permission denied");
    if (mode != OpenMode::CreateAlways && !Files.contains(path)) {
      return Failure::OfSystemCall(2, "No such file or directory");
    }
    if (mode == OpenMode::CreateAlways) Files[path].clear();
    return std::unique_ptr<DeviceHandle>(std::make_unique<MemoryFile>(*this, path));
  }
  Outcome<void> DeleteFile(const std::string& path) override {
    Files.erase(path);
    return {};
  }
  bool FileExists(const std::string& path) override { return Files.contains(path); }

  std::string CurrentDirectory() override { return "E:\\Tools"; }
  char PathSeparator() override { return '\\'; }
  std::string ShortDateFormat() override { return "dd.MM.yyyy"; }
  CalendarDate Today() override { return {2013, 3, 15}; }
  bool OpenWebAddress(const std::string&) override { return false; }

 private:
  // Appends to the owner's Files entry; honours the failure flags.
  class MemoryFile : public DeviceHandle {
   public:
    MemoryFile(FakeSettingsPlatform& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    Outcome<void> Seek(std::int64_t) override { return {}; }
    Outcome<std::size_t> Read(std::span<std::byte>) override { return std::size_t{0}; }
    Outcome<std::size_t> Write(std::span<const std::byte> data) override {
      if (owner_.FailWrite) return Failure::OfSystemCall(28, "No space left on device");
      auto& bytes = owner_.Files[path_];
      bytes.insert(bytes.end(), data.begin(), data.end());
      return data.size();
    }
    Outcome<void> Flush() override {
      if (owner_.FailFlush) return Failure::OfSystemCall(5, "Input/output error");
      return {};
    }
    Outcome<std::int64_t> Size() override { return static_cast<std::int64_t>(owner_.Files[path_].size()); }
    std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return {}; }
    std::optional<DISK_GEOMETRY> QueryGeometry() override { return {}; }
    std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return {}; }

   private:
    FakeSettingsPlatform& owner_;
    std::string path_;
  };
};

}  // namespace drivecopy::test_support
