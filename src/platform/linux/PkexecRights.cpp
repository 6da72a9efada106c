#include "platform/linux/PkexecRights.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/linux/ChildProcess.h"

extern char** environ;

namespace drivecopy {
namespace linux_backend {
namespace {

// pkexec's exit statuses when the program did not run: 126 when the user
// dismissed the password dialog, 127 when not allowed or when it could not
// ask (no polkit daemon, no authentication agent).
constexpr int PkexecDismissed = 126;
constexpr int PkexecNotAuthorized = 127;

std::optional<std::string_view> ValueOf(const std::vector<std::string>& environment, std::string_view name) {
  for (const std::string& entry : environment) {
    if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=')
      return std::string_view(entry).substr(name.size() + 1);
  }
  return std::nullopt;
}

class PkexecRights : public AdministratorRights {
 public:
  bool Held() override { return ::geteuid() == 0; }

  RightsRerun RerunWithRights(const std::vector<std::string>& arguments) override {
    // pkexec names the program by its full path, which the installed polkit
    // action matches.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {RightsRerun::Ending::NoWayToAsk, 0};
    std::vector<std::string> command{"pkexec", self.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    const Outcome<int> status = RunAndWait(command, EnvironmentForPkexec(environment));
    if (!status) return {RightsRerun::Ending::NoWayToAsk, 0};
    if (status.value() == PkexecDismissed || status.value() == PkexecNotAuthorized)
      return {RightsRerun::Ending::Refused, status.value()};
    return {RightsRerun::Ending::Finished, status.value()};
  }
};

}  // namespace

std::vector<std::string> EnvironmentForPkexec(const std::vector<std::string>& environment) {
  const auto display = ValueOf(environment, "DISPLAY");
  const auto cookie = ValueOf(environment, "XAUTHORITY");
  const auto home = ValueOf(environment, "HOME");
  if (!display || display->empty() || (cookie && !cookie->empty()) || !home || home->empty())
    return environment;
  const std::filesystem::path homeCookie = std::filesystem::path(*home) / ".Xauthority";
  std::error_code error;
  if (!std::filesystem::is_regular_file(homeCookie, error)) return environment;
  std::vector<std::string> result;
  for (const std::string& entry : environment) {
    if (!entry.starts_with("XAUTHORITY=")) result.push_back(entry);
  }
  result.push_back("XAUTHORITY=" + homeCookie.string());
  return result;
}

}  // namespace linux_backend

std::unique_ptr<AdministratorRights> MakePkexecRights() {
  return std::make_unique<linux_backend::PkexecRights>();
}

}  // namespace drivecopy
