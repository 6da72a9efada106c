#include "support/MemoryDevice.h"

#include <algorithm>
#include <cstring>

namespace drivecopy::test_support {

Outcome<void> MemoryDevice::Seek(std::int64_t offset) {
  if (offset < 0) return Failure::OfSystemCall(22, "Invalid argument");
  position_ = static_cast<std::size_t>(offset);
  return {};
}

Outcome<std::size_t> MemoryDevice::Read(std::span<std::byte> buffer) {
  if (position_ >= Bytes.size()) return std::size_t{0};
  std::size_t count = std::min(buffer.size(), Bytes.size() - position_);
  if (ReadPieceLimit) count = std::min(count, *ReadPieceLimit);
  std::memcpy(buffer.data(), Bytes.data() + position_, count);
  position_ += count;
  return count;
}

Outcome<std::size_t> MemoryDevice::Write(std::span<const std::byte> data) {
  const std::size_t end = position_ + data.size();
  if (Capacity && end > *Capacity) return Failure::OfSystemCall(28, "No space left on device");
  if (end > Bytes.size()) Bytes.resize(end);
  if (!data.empty()) std::memcpy(Bytes.data() + position_, data.data(), data.size());
  position_ = end;
  return data.size();
}

Outcome<void> MemoryDevice::Flush() {
  ++Flushes;
  if (FailFlush) return Failure::OfSystemCall(5, "Input/output error");
  return {};
}

Outcome<std::int64_t> MemoryDevice::Size() { return static_cast<std::int64_t>(Bytes.size()); }

}  // namespace drivecopy::test_support
