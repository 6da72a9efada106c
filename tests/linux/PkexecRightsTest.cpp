// Asking for administrator rights through pkexec, with a stand-in pkexec on
// PATH: how its exit statuses are read, what it is given, and what happens
// when there is none. Needs no privileges and no polkit.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "platform/linux/PkexecRights.h"

namespace drivecopy {
namespace {
namespace fs = std::filesystem;
using Ending = RightsRerun::Ending;

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class PkexecRightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "drivecopy-pkexec-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    fs::create_directory(directory_ / "bin");
  }
  void TearDown() override { fs::remove_all(directory_); }

  // A pkexec that writes its arguments and XAUTHORITY, one a line, into
  // calls.txt and exits with `status`.
  void InstallFakePkexec(int status) {
    const fs::path script = directory_ / "bin" / "pkexec";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "for word in \"$@\"; do printf '%s\\n' \"$word\"; done > '"
                          << (directory_ / "calls.txt").string() << "'\n"
                          << "printf 'XAUTHORITY=%s\\n' \"$XAUTHORITY\" >> '"
                          << (directory_ / "calls.txt").string() << "'\n"
                          << "exit " << status << "\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  std::vector<std::string> Calls() const {
    std::ifstream in(directory_ / "calls.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  fs::path directory_;
};

TEST_F(PkexecRightsTest, ExitStatusesTellARunFromARefusal) {
  struct Case {
    int status;
    Ending how;
  };
  // 126: the password dialog was dismissed; 127: not allowed, or no agent
  // or polkit daemon to ask with. Anything else is the program's own status.
  for (const Case& c : {Case{0, Ending::Finished}, Case{4, Ending::Finished}, Case{2, Ending::Finished},
                        Case{126, Ending::Refused}, Case{127, Ending::Refused}}) {
    InstallFakePkexec(c.status);
    const ScopedVariable path("PATH", (directory_ / "bin").string());
    const RightsRerun rerun = MakePkexecRights()->RerunWithRights({});
    EXPECT_EQ(rerun.How, c.how) << c.status;
    EXPECT_EQ(rerun.ExitCode, c.status);
  }
}

TEST_F(PkexecRightsTest, RunsThisProgramByItsFullPathWithTheArgumentsAndTheXCookie) {
  InstallFakePkexec(0);
  std::ofstream(directory_ / ".Xauthority") << "cookie";
  const ScopedVariable path("PATH", (directory_ / "bin").string());
  const ScopedVariable display("DISPLAY", ":7");
  const ScopedVariable cookie("XAUTHORITY", "");
  const ScopedVariable home("HOME", directory_.string());
  ASSERT_EQ(MakePkexecRights()->RerunWithRights({"--language", "3", "two words"}).How, Ending::Finished);
  const std::vector<std::string> expected = {fs::read_symlink("/proc/self/exe").string(), "--language", "3",
                                             "two words",
                                             "XAUTHORITY=" + (directory_ / ".Xauthority").string()};
  EXPECT_EQ(Calls(), expected);
}

TEST_F(PkexecRightsTest, WithoutPkexecThereIsNoWayToAsk) {
  const ScopedVariable path("PATH", (directory_ / "bin").string());
  EXPECT_EQ(MakePkexecRights()->RerunWithRights({}).How, Ending::NoWayToAsk);
}

TEST_F(PkexecRightsTest, TheXCookieIsNamedOnlyWhenAnXDisplayHasNone) {
  std::ofstream(directory_ / ".Xauthority") << "cookie";
  const std::string home = "HOME=" + directory_.string();
  const std::string homeCookie = "XAUTHORITY=" + (directory_ / ".Xauthority").string();
  struct Case {
    std::vector<std::string> environment;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"DISPLAY=:0", home}, {"DISPLAY=:0", home, homeCookie}},
      {{"DISPLAY=:0", "XAUTHORITY=", home}, {"DISPLAY=:0", home, homeCookie}},
      // A cookie named already, no X display, or no cookie file: unchanged.
      {{"DISPLAY=:0", "XAUTHORITY=/run/user/1/xauth", home},
       {"DISPLAY=:0", "XAUTHORITY=/run/user/1/xauth", home}},
      {{"WAYLAND_DISPLAY=wayland-0", home}, {"WAYLAND_DISPLAY=wayland-0", home}},
      {{"DISPLAY=:0", "HOME=/nonexistent"}, {"DISPLAY=:0", "HOME=/nonexistent"}},
  };
  for (const Case& c : cases) EXPECT_EQ(linux_backend::EnvironmentForPkexec(c.environment), c.expected);
}

}  // namespace
}  // namespace drivecopy
