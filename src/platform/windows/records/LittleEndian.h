#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>

namespace drivecopy::windows_backend {

// The unsigned value of sizeof(T) bytes stored least significant first at
// offset, read byte by byte so the buffer needs no alignment and the host's
// byte order does not matter. The caller has checked that the bytes are there.
template <std::unsigned_integral T>
T ReadLittleEndian(std::span<const std::byte> bytes, std::size_t offset) {
  T value = 0;
  for (std::size_t i = sizeof(T); i-- > 0;)
    value = static_cast<T>((value << 8U) | std::to_integer<T>(bytes[offset + i]));
  return value;
}

// A LARGE_INTEGER: two's complement, 8 bytes.
inline std::int64_t ReadLittleEndianSigned64(std::span<const std::byte> bytes, std::size_t offset) {
  return static_cast<std::int64_t>(ReadLittleEndian<std::uint64_t>(bytes, offset));
}

}  // namespace drivecopy::windows_backend
