#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

namespace drivecopy {

// Puts `values` into the "%s" slots of a catalogue message, the first value
// into the first slot and so on; translations keep the slots in the English
// order. A value is inserted as it is: a "%s" inside a file name is not a
// slot. A slot without a value is left as written; a value without a slot is
// dropped (the catalogue test makes every translation carry all its slots).
std::string FillMessageSlots(std::string_view message, std::initializer_list<std::string_view> values);

}  // namespace drivecopy
