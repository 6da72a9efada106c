#include "platform/linux/SystemdServices.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/linux/ChildProcess.h"

namespace drivecopy::linux_backend {
namespace {

// Longest wait hint reported, whatever timeout a unit has.
constexpr std::uint64_t kMaxWaitHintMs = 120000;
// Hint for a unit whose timeout is infinite or unreadable.
constexpr std::uint64_t kDefaultWaitHintMs = 90000;

using Properties = std::map<std::string, std::string, std::less<>>;

// `systemctl show` lines are KEY=VALUE; reading the keys does not depend on
// the order in which systemctl prints the properties.
Properties ParseProperties(const std::string& output) {
  Properties properties;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    start = end + 1;
    auto equals = line.find('=');
    if (equals != std::string::npos) properties[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return properties;
}

std::string Property(const Properties& properties, std::string_view key) {
  auto found = properties.find(key);
  return found == properties.end() ? std::string() : found->second;
}

std::uint32_t WaitHintFrom(const Properties& properties, std::string_view timeoutKey) {
  auto milliseconds = ParseSystemdTimespanMilliseconds(Property(properties, timeoutKey));
  std::uint64_t hint = milliseconds.value_or(kDefaultWaitHintMs);
  return static_cast<std::uint32_t>(hint > kMaxWaitHintMs ? kMaxWaitHintMs : hint);
}

class SystemdServiceConnection final : public ServiceConnection {
 public:
  explicit SystemdServiceConnection(std::string unit) : unit_(std::move(unit)) {}

  std::optional<ServiceStatus> QueryStatus() override {
    auto properties = Show();
    if (!properties) return std::nullopt;
    ServiceStatus status;
    status.CurrentState =
        ServiceStateOf(Property(*properties, "LoadState"), Property(*properties, "ActiveState"));
    // With --no-block the request only queues a job: until systemd takes it
    // up, the unit still shows its old state. Report it pending for as long
    // as the unit's own timeout, as the service manager on other platforms
    // does right after a request.
    if (requested_ && status.CurrentState == requested_->LeavingState &&
        Property(*properties, "ActiveState") != "failed" &&
        std::chrono::steady_clock::now() < requested_->PendingUntil)
      status.CurrentState = requested_->PendingState;
    if (status.CurrentState == ServiceStartPending)
      status.WaitHint = WaitHintFrom(*properties, "TimeoutStartUSec");
    if (status.CurrentState == ServiceStopPending)
      status.WaitHint = WaitHintFrom(*properties, "TimeoutStopUSec");
    return status;
  }

  // A service that already runs rejects the start without a status.
  ServiceControlReply Start() override {
    return Request("start", ServiceRunning, ServiceStopped, ServiceStartPending, "TimeoutStartUSec", false);
  }

  // A service that does not run rejects the stop and reports itself stopped.
  ServiceControlReply Stop() override {
    return Request("stop", ServiceStopped, ServiceRunning, ServiceStopPending, "TimeoutStopUSec", true);
  }

 private:
  struct PendingRequest {
    std::uint32_t LeavingState;
    std::uint32_t PendingState;
    std::chrono::steady_clock::time_point PendingUntil;
  };

  std::optional<Properties> Show() {
    auto run = RunAndCapture({"systemctl", "show", "--no-pager", "-p", "LoadState", "-p", "ActiveState", "-p",
                              "TimeoutStartUSec", "-p", "TimeoutStopUSec", "--", unit_});
    if (!run || run->ExitCode != 0) return std::nullopt;
    return ParseProperties(run->Output);
  }

  ServiceControlReply Request(const char* verb, std::uint32_t targetState, std::uint32_t leavingState,
                              std::uint32_t pendingState, std::string_view timeoutKey,
                              bool statusWithRejection) {
    auto properties = Show();
    if (!properties) return {};
    const std::uint32_t state =
        ServiceStateOf(Property(*properties, "LoadState"), Property(*properties, "ActiveState"));
    if (state == targetState) {
      ServiceControlReply rejected;
      if (statusWithRejection) rejected.Status = ServiceStatus{state, 0, 0};
      return rejected;
    }
    auto run = RunAndCapture({"systemctl", verb, "--no-block", "--no-ask-password", "--", unit_});
    if (!run || run->ExitCode != 0) return {};
    const auto timeout = std::chrono::milliseconds(WaitHintFrom(*properties, timeoutKey));
    requested_ = PendingRequest{leavingState, pendingState, std::chrono::steady_clock::now() + timeout};
    ServiceControlReply accepted;
    accepted.Accepted = true;
    accepted.Status = QueryStatus();
    return accepted;
  }

  std::string unit_;
  std::optional<PendingRequest> requested_;
};

}  // namespace

std::uint32_t ServiceStateOf(std::string_view loadState, std::string_view activeState) {
  if (loadState == "not-found") return ServiceStopped;
  if (activeState == "active") return ServiceRunning;
  if (activeState == "activating" || activeState == "reloading") return ServiceStartPending;
  if (activeState == "deactivating") return ServiceStopPending;
  return ServiceStopped;
}

std::optional<std::uint64_t> ParseSystemdTimespanMilliseconds(std::string_view text) {
  struct Unit {
    std::string_view Name;
    double Milliseconds;
  };
  static constexpr Unit kUnits[] = {
      {"us", 0.001},  {"ms", 1},       {"s", 1000},      {"min", 60000},
      {"h", 3600000}, {"d", 86400000}, {"w", 604800000},
  };
  std::size_t at = 0;
  double total = 0;
  bool any = false;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at == text.size()) break;
    std::size_t numberStart = at;
    while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.')) ++at;
    if (at == numberStart) return std::nullopt;  // "infinity" and anything else
    double number = 0;
    auto parsed = std::from_chars(text.data() + numberStart, text.data() + at, number);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + at) return std::nullopt;
    std::size_t unitStart = at;
    while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at]))) ++at;
    std::string_view unitName = text.substr(unitStart, at - unitStart);
    if (unitName.empty()) unitName = "us";  // a bare number is microseconds
    const Unit* unit = nullptr;
    for (const auto& candidate : kUnits)
      if (candidate.Name == unitName) unit = &candidate;
    if (unit == nullptr) return std::nullopt;
    total += number * unit->Milliseconds;
    any = true;
  }
  if (!any) return std::nullopt;
  return static_cast<std::uint64_t>(total);
}

Outcome<std::unique_ptr<ServiceConnection>> OpenSystemdService(
    const std::string& machine, const std::string& service,
    ServiceAccess /*access: systemd checks rights per request*/) {
  if (!machine.empty())
    return Failure::OfSystemCall(
        EHOSTUNREACH, "Services of another machine (" + machine + ") cannot be controlled from here.");
  if (service.empty() || service.starts_with('-'))
    return Failure::OfSystemCall(EINVAL, "\"" + service + "\" is not a service name.");
  std::error_code ignored;
  // The check systemd's own tools make for a running systemd.
  if (!std::filesystem::is_directory("/run/systemd/system", ignored))
    return Failure::OfSystemCall(ENOSYS,
                                 "systemd is not running on this machine, so services cannot be controlled.");
  auto probe = RunAndCapture({"systemctl", "--version"});
  if (!probe) return probe.error().Reworded("systemctl could not be started: " + probe.error().text);
  return std::unique_ptr<ServiceConnection>(std::make_unique<SystemdServiceConnection>(service));
}

}  // namespace drivecopy::linux_backend
