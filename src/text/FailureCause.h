#pragma once
#include <string>

#include "platform/Failure.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The cause of a failure as a message names it after the path: the system's
// own text, and for a disk device this user may not open (NoDiskRights) what
// is needed to read or write disks, in the language of `texts`.
std::string FailureCause(const MessageTexts& texts, const Failure& error);

}  // namespace drivecopy
