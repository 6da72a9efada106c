#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <span>

namespace drivecopy {

// A zero-filled heap buffer whose start is aligned as a device handle asks
// (DeviceHandle::PreferredAlignment), so that reads can go straight to the
// device under direct I/O. The alignment is raised to a power of two of at
// least 512 bytes; memory is released by the destructor.
class AlignedSectorBuffer {
 public:
  AlignedSectorBuffer(std::size_t size, std::size_t preferredAlignment)
      : size_(size), alignment_(PowerOfTwoAtLeast512(preferredAlignment)),
        memory_(static_cast<std::byte*>(::operator new(size == 0 ? 1 : size, alignment_)),
                Release{alignment_}) {
    Zero();
  }

  std::span<std::byte> Bytes() { return {memory_.get(), size_}; }
  std::span<const std::byte> Bytes() const { return {memory_.get(), size_}; }
  std::size_t Size() const { return size_; }
  void Zero() {
    for (std::byte& b : Bytes()) b = std::byte{0};
  }

 private:
  static std::align_val_t PowerOfTwoAtLeast512(std::size_t wanted) {
    std::size_t alignment = 512;
    while (alignment < wanted && alignment < (std::size_t{1} << 20)) alignment <<= 1;
    return static_cast<std::align_val_t>(alignment);
  }
  struct Release {
    std::align_val_t alignment;
    void operator()(std::byte* memory) const { ::operator delete(memory, alignment); }
  };

  std::size_t size_;
  std::align_val_t alignment_;
  std::unique_ptr<std::byte, Release> memory_;
};

}  // namespace drivecopy
