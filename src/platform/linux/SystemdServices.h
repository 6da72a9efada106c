#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace drivecopy::linux_backend {

// A service controlled through systemd with `systemctl`. Only the local
// machine is served; systemd not running or systemctl missing is an error.
// A name systemd does not know opens fine and reports stopped.
Outcome<std::unique_ptr<ServiceConnection>> OpenSystemdService(const std::string& machine,
                                                               const std::string& service,
                                                               ServiceAccess access);

// Service state number for a unit's LoadState and ActiveState: active 4,
// activating or reloading 2, deactivating 3, anything else 1.
std::uint32_t ServiceStateOf(std::string_view loadState, std::string_view activeState);

// A systemd time span ("1min 30s", "500ms", "infinity") in milliseconds;
// nullopt for "infinity" or text that is no time span.
std::optional<std::uint64_t> ParseSystemdTimespanMilliseconds(std::string_view text);

}  // namespace drivecopy::linux_backend
