#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// Makes the backend that a --machine value names: the real machine for "",
// the built-in demo machine for "demo", otherwise the simulated machine a
// description file describes. The program's entry point supplies it, so the
// front ends never know which backends exist.
using PlatformChooser = std::function<Outcome<std::unique_ptr<Platform>>(const std::string& machine)>;

}  // namespace drivecopy
