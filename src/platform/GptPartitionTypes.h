#pragma once
#include <cstdint>
#include <string_view>

namespace drivecopy {

// MBR type byte standing for a GPT partition type GUID in its text form
// ("ebd0a0a2-b9e5-4433-87c0-68b6b72699c7", any letter case): basic data 0x07,
// Linux file system 0x83, Linux swap 0x82, EFI system 0xEF, anything else
// 0xDA. Never 0, which would hide the partition from the lists. Every backend
// maps GPT types through this, so a disk lists alike on each.
std::uint8_t TypeByteForGptType(std::string_view typeGuid);

}  // namespace drivecopy
