#pragma once
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// The backend chosen at start-up: the real machine when `machine` is empty,
// the built-in demo machine for "demo", otherwise the simulated machine that
// the JSON file `machine` describes.
Outcome<std::unique_ptr<Platform>> ChoosePlatform(const std::string& machine);

}  // namespace drivecopy
