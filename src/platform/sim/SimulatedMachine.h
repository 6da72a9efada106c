#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/SystemError.h"

namespace drivecopy {

// A simulated machine read from a JSON description (docs/simulated-machine.md).
// Paths in the description are relative to `baseDirectory`.
Outcome<std::unique_ptr<Platform>> MakeSimulatedMachine(std::string_view descriptionJson,
                                                         const std::string& baseDirectory);

// Reads the description from a file.
Outcome<std::unique_ptr<Platform>> LoadSimulatedMachine(const std::string& descriptionPath);

// The built-in demo machine.
Outcome<std::unique_ptr<Platform>> MakeDemoMachine();

}  // namespace drivecopy
