#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/SimulatedMachine.h"

namespace drivecopy::test_support {

// A machine from an inline description; fails the test when it does not load.
inline std::unique_ptr<SimulatedMachine> Machine(std::string_view json, const std::string& base = ".") {
  auto machine = SimulatedMachine::Build(json, base);
  EXPECT_TRUE(machine.ok()) << (machine.ok() ? "" : machine.error().text);
  return machine.ok() ? std::move(machine.value()) : nullptr;
}

inline std::unique_ptr<DeviceHandle> OpenOrFail(Platform& platform, const std::string& path,
                                                OpenMode mode = OpenMode::Read) {
  auto opened = platform.Open(path, mode);
  EXPECT_TRUE(opened.ok()) << path << ": " << (opened.ok() ? "" : opened.error().text);
  return opened.ok() ? std::move(opened.value()) : nullptr;
}

inline std::span<const std::byte> Bytes(std::string_view text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

inline std::string Text(std::span<const std::byte> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A host folder removed with its contents at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = std::filesystem::temp_directory_path() / ("drivecopy-simtest-" + name);
#ifdef _WIN32
    // An absolute path begins with a letter, and "C:\..." names the
    // simulated machine's own drive C:. A path relative to the working
    // folder names the host's file.
    path_ = "drivecopy-simtest-" + name;
#endif
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace drivecopy::test_support
