#pragma once
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace drivecopy::windows_backend {

// Opens the service control manager on `machine` ("" = this machine) and
// `service` in it with the rights `access` needs: querying its status; a
// start, which asks for all rights (as an administrator has them); a stop,
// which asks for stopping and querying. A failure carries the system's code
// (1060 for a service that is not installed). Waiting for a service to reach
// a state is the caller's business.
Outcome<std::unique_ptr<ServiceConnection>> OpenWindowsService(const std::string& machine,
                                                               const std::string& service,
                                                               ServiceAccess access);

}  // namespace drivecopy::windows_backend
