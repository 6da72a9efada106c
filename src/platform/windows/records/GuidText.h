#pragma once
#include <cstddef>
#include <span>
#include <string>

#include "platform/windows/records/WindowsRecordLayout.h"

namespace drivecopy::windows_backend {

// The text form of a GUID as Windows stores it in memory (Data1, Data2 and
// Data3 little-endian, Data4 in order): "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7",
// lower case.
std::string GuidText(std::span<const std::byte, GuidSize> guid);

}  // namespace drivecopy::windows_backend
