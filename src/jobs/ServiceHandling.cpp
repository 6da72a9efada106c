#include "jobs/ServiceHandling.h"

#include <algorithm>
#include <optional>

namespace drivecopy {
namespace {

// Waits while the service is on its way to `target`, starting from the first
// status obtained after the request; returns the last status obtained.
ServiceStatus WaitForState(Platform& platform, ServiceConnection& connection, ServiceStatus status,
                           std::uint32_t target) {
  const std::uint64_t started = platform.MonotonicMilliseconds();
  std::uint64_t lastAdvance = started;
  while (status.CurrentState != target) {
    const std::uint32_t previousCheckPoint = status.CheckPoint;
    platform.Sleep(std::clamp(status.WaitHint, ServiceMinimumPollMs, ServiceMaximumPollMs));
    const std::optional<ServiceStatus> next = connection.QueryStatus();
    if (!next) break;
    status = *next;
    if (status.CheckPoint < previousCheckPoint) break;
    const std::uint64_t now = platform.MonotonicMilliseconds();
    if (status.CheckPoint > previousCheckPoint) lastAdvance = now;
    if (status.CurrentState == target) break;
    // A service that stays pending without progress, or settled in another
    // state, would otherwise be waited for without end.
    if (now - lastAdvance > static_cast<std::uint64_t>(status.WaitHint) + ServiceWaitGraceMs) break;
    if (now - started > ServiceWaitLimitMs) break;
  }
  return status;
}

}  // namespace

std::uint32_t QueryServiceState(Platform& platform, const std::string& machine, const std::string& service) {
  auto connection = platform.OpenService(machine, service, ServiceAccess::Query);
  if (!connection) return 0;
  const auto status = connection.value()->QueryStatus();
  return status ? status->CurrentState : 0;
}

bool IsServiceRunning(Platform& platform, const std::string& machine, const std::string& service) {
  return QueryServiceState(platform, machine, service) == ServiceRunning;
}

bool StartServiceAndWait(Platform& platform, const std::string& machine, const std::string& service) {
  auto connection = platform.OpenService(machine, service, ServiceAccess::Start);
  if (!connection) return false;
  ServiceStatus status{};  // no status obtained reads as "not running"
  if (connection.value()->Start().Accepted) {
    if (auto first = connection.value()->QueryStatus()) {
      status = WaitForState(platform, *connection.value(), *first, ServiceRunning);
    }
  }
  return status.CurrentState == ServiceRunning;
}

bool StopServiceAndWait(Platform& platform, const std::string& machine, const std::string& service) {
  auto connection = platform.OpenService(machine, service, ServiceAccess::Stop);
  if (!connection) return false;
  ServiceStatus status{};
  const ServiceControlReply reply = connection.value()->Stop();
  if (reply.Status) status = *reply.Status;
  if (reply.Accepted) {
    if (auto first = connection.value()->QueryStatus()) {
      status = WaitForState(platform, *connection.value(), *first, ServiceStopped);
    }
  }
  return status.CurrentState == ServiceStopped;
}

}  // namespace drivecopy
