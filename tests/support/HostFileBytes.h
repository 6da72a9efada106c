#pragma once
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace drivecopy::test_support {

// Direct access to a host file (a simulated device's content, an image, a
// log), bypassing the platform, to prepare or inspect what a job touched.

inline std::vector<std::byte> ReadHostBytes(const std::string& path, std::int64_t offset, std::size_t count) {
  std::vector<std::byte> bytes(count);
  std::ifstream file(path, std::ios::binary);
  file.seekg(offset);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

inline std::vector<std::byte> ReadWholeHostFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return {};
  const auto size = static_cast<std::size_t>(file.tellg());
  return ReadHostBytes(path, 0, size);
}

// Writes `bytes` at `offset`, keeping the rest of an existing file.
inline void WriteHostBytes(const std::string& path, std::int64_t offset, std::span<const std::byte> bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  if (!file) file.open(path, std::ios::binary | std::ios::out);
  file.seekp(offset);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace drivecopy::test_support
