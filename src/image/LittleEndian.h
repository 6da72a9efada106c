#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace drivecopy {

// Byte-wise little-endian access, independent of the host's byte order and
// of alignment: image files are packed and unaligned.
template <typename T>
T LoadLittleEndian(const std::byte* p) {
  static_assert(std::is_integral_v<T>);
  using U = std::make_unsigned_t<T>;
  U value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    value = static_cast<U>(value | (static_cast<U>(std::to_integer<unsigned>(p[i])) << (8 * i)));
  }
  return static_cast<T>(value);
}

template <typename T>
void StoreLittleEndian(std::byte* p, T value) {
  static_assert(std::is_integral_v<T>);
  using U = std::make_unsigned_t<T>;
  const U bits = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<std::byte>((bits >> (8 * i)) & 0xFF);
}

}  // namespace drivecopy
