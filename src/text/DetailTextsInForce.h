#pragma once
#include <string>
#include <vector>

#include "text/MessageTexts.h"

namespace drivecopy {

// The language in which the lower layers (image reading and writing, drive
// rows, job details) build their texts, for the whole process: English until
// the desktop puts the user's language in force; the command line keeps
// English. Meant to be set before work starts, not while jobs run (a job that
// runs on reads it from several threads; every switch is atomic, so a text is
// always whole, in one language or the other).
void UseDetailLanguage(int language);  // a number outside 1..6 is ignored
int DetailLanguage();

// The detail texts of the built-in catalogue in the language in force.
const DetailTexts& DetailsInForce();

// `text` of the detail texts in force with its "%s" slots filled with `values`.
std::string Detail(std::string DetailTexts::*text, const std::vector<std::string>& values = {});

}  // namespace drivecopy
