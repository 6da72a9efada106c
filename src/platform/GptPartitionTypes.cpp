#include "platform/GptPartitionTypes.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace drivecopy {
namespace {

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

std::uint8_t TypeByteForGptType(std::string_view typeGuid) {
  const std::string guid = Lowercase(typeGuid);
  if (guid == "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7") return 0x07;
  if (guid == "0fc63daf-8483-4772-8e79-3d69d8477de4") return 0x83;
  if (guid == "0657fd6d-a4ab-43c4-84e5-0933c84b4f4f") return 0x82;
  if (guid == "c12a7328-f81f-11d2-ba4b-00a0c93ec93b") return 0xEF;
  return 0xDA;
}

}  // namespace drivecopy
