// The Windows drivecopy.exe end to end, on regular files standing for
// drives: the same memo lines and exit statuses as on Linux.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"
#include "text/SizeText.h"

namespace drivecopy::windows_backend {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  DWORD Status = 0;
  std::string Out;
  std::string Err;
};

// The program built beside this test; the build names it by its host path,
// which wine shows as drive Z:.
std::wstring ProgramPath() {
  std::string path = DRIVECOPY_BINARY;
  if (path.starts_with("/")) {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
  return Widen(path);
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A console program's text output ends its lines in CR LF on Windows.
std::string Lines(std::string text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  return lines;
}

UniqueHandle InheritableFile(const fs::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

class WindowsCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("drivecopy-cli-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
    disk_.resize(4 << 20);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < disk_.size(); i += 2)
      disk_[i] = static_cast<char>(random());  // half compressible
    Write("disk.bin", disk_);
    Write("dest.bin", std::string(disk_.size(), '\0'));
    Write("clone.bin", std::string(disk_.size(), '\0'));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  RunResult Run(const std::vector<std::string>& args) {
    std::wstring command = L"\"" + ProgramPath() + L"\"";
    for (const std::string& arg : args) command += L" \"" + Widen(arg) + L"\"";
    const fs::path out = folder_ / "stdout.txt";
    const fs::path err = folder_ / "stderr.txt";
    RunResult result;
    {
      UniqueHandle outFile = InheritableFile(out);
      UniqueHandle errFile = InheritableFile(err);
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = nullptr;
      startup.hStdOutput = outFile.Get();
      startup.hStdError = errFile.Get();
      PROCESS_INFORMATION process{};
      if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                            &process)) {
        ADD_FAILURE() << "cannot start " << Narrow(command);
        return result;
      }
      UniqueHandle processHandle(process.hProcess);
      UniqueHandle thread(process.hThread);
      ::WaitForSingleObject(process.hProcess, 120000);
      ::GetExitCodeProcess(process.hProcess, &result.Status);
    }
    result.Out = Lines(ReadText(out));
    result.Err = Lines(ReadText(err));
    return result;
  }

  fs::path folder_;
  std::string disk_;
};

TEST_F(WindowsCommandLineTest, CreateInfoRestoreAndCloneOfFilesStandingForDrives) {
  const std::string disk = Path("disk.bin");
  const std::string image = Path("disk.img");
  const RunResult created = Run({"create", disk, image, "--compression", "medium", "--yes"});
  ASSERT_EQ(created.Status, 0u) << created.Err;
  EXPECT_EQ(created.Out, "Source drive:: " + disk + " 4.00 MBytes \nCompression Level: Medium\n" +
                             "File size:" + SizeText(static_cast<std::int64_t>(fs::file_size(image))) +
                             "\nReady\n");

  const RunResult info = Run({"info", image, "--verify"});
  ASSERT_EQ(info.Status, 0u) << info.Err;
  EXPECT_NE(info.Out.find("Magic:           VRZImage\n"), std::string::npos) << info.Out;
  EXPECT_NE(info.Out.find("SectorCount:     8192\n"), std::string::npos) << info.Out;
  EXPECT_NE(info.Out.find("Verified:        sound, all 64 blocks decode to their full size\n"),
            std::string::npos)
      << info.Out;

  const std::string destination = Path("dest.bin");
  const RunResult restored = Run({"restore", image, destination, "--yes"});
  ASSERT_EQ(restored.Status, 0u) << restored.Err;
  EXPECT_EQ(restored.Out, "Size of selected image: 4.00 MBytes \nDestination Drive: " + destination +
                              " 4.00 MBytes \nStarting...\n");
  EXPECT_EQ(ReadText(destination), disk_);

  const std::string clone = Path("clone.bin");
  const RunResult cloned = Run({"clone", disk, clone, "--yes"});
  ASSERT_EQ(cloned.Status, 0u) << cloned.Err;
  EXPECT_EQ(cloned.Out, "Source drive:" + disk + " 4.00 MBytes \nDestination Drive" + clone +
                            " 4.00 MBytes \nTo see the cloning result you have to restart the computer.\n");
  EXPECT_EQ(ReadText(clone), disk_);

  // A raw image holds the drive's bytes as they are.
  const RunResult raw = Run({"create", disk, Path("raw.img"), "--compression", "raw", "--yes"});
  ASSERT_EQ(raw.Status, 0u) << raw.Err;
  EXPECT_EQ(ReadText(Path("raw.img")), disk_);
}

TEST_F(WindowsCommandLineTest, FailuresGiveTheirExitStatusAndSayWhatFailed) {
  const RunResult missing = Run({"restore", Path("missing.img"), Path("dest.bin"), "--yes"});
  EXPECT_EQ(missing.Status, 1u);
  EXPECT_TRUE(missing.Err.starts_with("drivecopy restore: " + Path("missing.img") +
                                      " cannot be opened for reading: "))
      << missing.Err;
  EXPECT_TRUE(missing.Err.ends_with(" Nothing was written.\n")) << missing.Err;

  const RunResult unknown = Run({"clone", Path("disk.bin"), "Q:", "--yes"});
  EXPECT_EQ(unknown.Status, 1u);
  EXPECT_TRUE(unknown.Err.starts_with("drivecopy clone: no drive, partition, floppy or volume is named Q:; "))
      << unknown.Err;

  const RunResult usage = Run({"frobnicate"});
  EXPECT_EQ(usage.Status, 2u);

  // The image may not be the destination it is restored onto.
  const RunResult image = Run({"create", Path("disk.bin"), Path("disk.img"), "--yes"});
  ASSERT_EQ(image.Status, 0u) << image.Err;
  const RunResult ontoItself = Run({"restore", Path("disk.img"), Path("disk.img"), "--yes"});
  EXPECT_EQ(ontoItself.Status, 1u);
  EXPECT_EQ(ontoItself.Err,
            "drivecopy: Error: The image file " + Path("disk.img") +
                " is the destination itself. Choose another destination; nothing was written.\n");
}

TEST_F(WindowsCommandLineTest, ListShowsWinesDriveLetters) {
  const RunResult listed = Run({"list"});
  ASSERT_EQ(listed.Status, 0u) << listed.Err;
  EXPECT_NE(listed.Out.find("Logical drives:\n"), std::string::npos) << listed.Out;
  EXPECT_NE(listed.Out.find("C:"), std::string::npos) << listed.Out;
  const RunResult json = Run({"list", "--json"});
  ASSERT_EQ(json.Status, 0u) << json.Err;
  EXPECT_TRUE(json.Out.starts_with("{")) << json.Out;
}

}  // namespace
}  // namespace drivecopy::windows_backend
