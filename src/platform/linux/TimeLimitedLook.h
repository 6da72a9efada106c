#pragma once
#include <chrono>
#include <functional>
#include <string>

#include "platform/Failure.h"

namespace drivecopy::linux_backend {

// How long one look at a device (its first sectors, its partition table, a
// file system's label) may take before the device counts as not answering.
// A healthy disk answers in milliseconds, one spinning up from standby within
// a few seconds.
inline constexpr std::chrono::seconds kDeviceAnswerLimit{15};

// Runs `look` in a short-lived child process of its own and gives back the
// text it returned. A read of a hung device can keep a process inside the
// kernel, where no signal reaches it, for as long as the device does not
// answer; kept in the child, such a read holds up neither this process nor
// its end, so a signal still ends the program at once.
//
// Fails with FailureKind::NotAnswering when the child has not come back
// within `limit`: it is then killed, and it ends once the kernel lets it go.
// Until then `device` (the path looked at) still counts as not answering,
// and a later look at it fails at once instead of starting another child
// that would wait in the same place. The child keeps none of this process's
// descriptors (its standard ones lead to /dev/null), so neither a claim this
// process lets go of nor the end of its output waits for a child that is
// stuck. When no child can be started, the look is made here.
Outcome<std::string> LookWithinTimeLimit(const std::string& device, const std::function<std::string()>& look,
                                         std::chrono::milliseconds limit = kDeviceAnswerLimit);

// The text of a look that overran: "it gave no answer within 15 seconds; ...".
std::string NotAnsweringText(std::chrono::milliseconds limit);

}  // namespace drivecopy::linux_backend
