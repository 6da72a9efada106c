#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// Control of a platform service (the shadow copy service "VSS"); machine ""
// is this machine. Nothing here throws: missing rights, an unknown service or
// an unreachable machine give 0 or false.

// The service's current state number (1 stopped, 2 start pending, 3 stop
// pending, 4 running, ...), or 0 when it cannot be obtained.
std::uint32_t QueryServiceState(Platform& platform, const std::string& machine, const std::string& service);

bool IsServiceRunning(Platform& platform, const std::string& machine, const std::string& service);

// Starts the service and waits until it runs. True when the last status
// obtained reports running; a service that already runs rejects the start,
// which gives false without waiting.
bool StartServiceAndWait(Platform& platform, const std::string& machine, const std::string& service);

// Stops the service and waits until it has stopped. True when the last
// status obtained reports stopped; a rejected stop waits for nothing and the
// status returned with the rejection, if any, decides.
bool StopServiceAndWait(Platform& platform, const std::string& machine, const std::string& service);

// The bound on every wait: it ends when the target state is reached, a query
// fails, the checkpoint goes backwards, or the checkpoint has not advanced
// for the service's wait hint plus this grace; and in any case after
// ServiceWaitLimitMs in all.
inline constexpr std::uint32_t ServiceWaitGraceMs = 10'000;
inline constexpr std::uint64_t ServiceWaitLimitMs = 300'000;
// Between queries the wait sleeps the service's wait hint, but at least
// ServiceMinimumPollMs (so that time passes with a hint of 0) and at most
// ServiceMaximumPollMs (systemd's hint is a whole timeout, not a step).
inline constexpr std::uint32_t ServiceMinimumPollMs = 100;
inline constexpr std::uint32_t ServiceMaximumPollMs = 1000;

}  // namespace drivecopy
