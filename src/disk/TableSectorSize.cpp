#include "disk/TableSectorSize.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace drivecopy {
namespace {

std::uint64_t LittleEndian(std::span<const std::byte> bytes, std::size_t offset, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i-- > 0;)
    value = (value << 8) | std::to_integer<std::uint64_t>(bytes[offset + i]);
  return value;
}

// A GPT header at `offset` that names itself as sector 1 (its MyLBA).
bool GptHeaderAt(std::span<const std::byte> start, std::size_t offset) {
  constexpr std::string_view signature = "EFI PART";
  if (start.size() < offset + 32) return false;
  return std::memcmp(start.data() + offset, signature.data(), signature.size()) == 0 &&
         LittleEndian(start, offset + 24, 8) == 1;
}

// MBR entry types that hold no partition of their own: extended containers
// and the protective entry of a GPT disk.
bool IsContainerOrProtective(std::uint8_t type) {
  return type == 0x05 || type == 0x0F || type == 0x85 || type == 0xEE;
}

std::optional<std::uint32_t> MbrSectorSize(std::span<const std::byte> start,
                                           std::span<const std::int64_t> partitionStarts) {
  if (start.size() < 512 || start[510] != std::byte{0x55} || start[511] != std::byte{0xAA})
    return std::nullopt;
  auto known = [&](std::int64_t sector) {
    return std::find(partitionStarts.begin(), partitionStarts.end(), sector) != partitionStarts.end();
  };
  int as512 = 0;
  int as4096 = 0;
  for (std::size_t entry = 0; entry < 4; ++entry) {
    const std::size_t offset = 446 + 16 * entry;
    const auto type = std::to_integer<std::uint8_t>(start[offset + 4]);
    const auto first = static_cast<std::int64_t>(LittleEndian(start, offset + 8, 4));
    if (type == 0 || first == 0 || IsContainerOrProtective(type)) continue;
    as512 += known(first) ? 1 : 0;
    as4096 += known(first * 8) ? 1 : 0;
  }
  if (as512 > 0 && as4096 == 0) return 512;
  if (as4096 > 0 && as512 == 0) return 4096;
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> TableSectorSize(std::span<const std::byte> start,
                                             std::span<const std::int64_t> partitionStarts) {
  const bool gpt512 = GptHeaderAt(start, 512);
  const bool gpt4096 = GptHeaderAt(start, 4096);
  if (gpt512 != gpt4096) return gpt512 ? 512u : 4096u;
  if (gpt512) return std::nullopt;  // one header each way: no clear answer
  return MbrSectorSize(start, partitionStarts);
}

}  // namespace drivecopy
