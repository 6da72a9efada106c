#pragma once
#include <cstddef>
#include <cstdlib>
#include <memory>

namespace drivecopy {

// A heap buffer whose start is aligned for direct I/O; freed on destruction.
// Its size is rounded up to a whole multiple of the alignment.
class AlignedBuffer {
 public:
  AlignedBuffer(std::size_t size, std::size_t alignment)
      : size_((size + alignment - 1) / alignment * alignment),
        memory_(static_cast<std::byte*>(std::aligned_alloc(alignment, size_ == 0 ? alignment : size_))) {}

  explicit operator bool() const { return memory_ != nullptr; }
  std::byte* data() const { return memory_.get(); }
  std::size_t size() const { return size_; }

 private:
  struct FreeMemory {
    void operator()(std::byte* memory) const { std::free(memory); }
  };
  std::size_t size_;
  std::unique_ptr<std::byte, FreeMemory> memory_;
};

}  // namespace drivecopy
