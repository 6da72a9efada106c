#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/EmptyMachinePlatform.h"

namespace drivecopy::test_support {

// A Platform that opens ordinary files on the test machine (through
// std::fstream) and knows nothing else: no drives, volumes, services or
// settings. For command-line tests that work on image files.
class RegularFilePlatform : public EmptyMachinePlatform {
 public:
  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override;
  Outcome<void> DeleteFile(const std::string& path) override;
  Outcome<void> RenameOver(const std::string& from, const std::string& to) override;
  bool FileExists(const std::string& path) override;
};

}  // namespace drivecopy::test_support
