#pragma once
#include <string>

#include "text/MessageTexts.h"

namespace drivecopy {

// The question asked before a restore or clone writes: StrSOverwrite ("All
// data will be overwritten on %s. Are you sure?") with the destination's
// description in place of "%s". A translation without "%s" gets the
// description after a blank, so the question always names the destination.
std::string OverwriteQuestion(const MessageTexts& texts, const std::string& destinationDescription);

}  // namespace drivecopy
