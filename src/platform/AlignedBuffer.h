#pragma once
#include <cstddef>
#include <cstring>
#include <new>
#include <span>

namespace drivecopy {

// A zero-filled heap buffer whose start is aligned as a device asks for
// direct I/O (DeviceHandle::PreferredAlignment), so reads go straight into
// it without a bounce copy. Freed on destruction; movable, not copyable.
class AlignedBuffer {
 public:
  AlignedBuffer() = default;
  // `alignment` must be a power of two; 0 or 1 means no particular alignment.
  AlignedBuffer(std::size_t size, std::size_t alignment)
      : size_(size),
        alignment_(alignment < alignof(std::max_align_t) ? alignof(std::max_align_t) : alignment) {
    if (size_ > 0) {
      data_ = static_cast<std::byte*>(::operator new (size_, std::align_val_t{alignment_}));
      std::memset(data_, 0, size_);
    }
  }
  ~AlignedBuffer() { Release(); }

  // As the constructor, but a buffer that holds nothing (false) instead of
  // std::bad_alloc when the memory cannot be had, for callers that must not
  // throw.
  static AlignedBuffer TryAllocate(std::size_t size, std::size_t alignment) noexcept {
    AlignedBuffer buffer;
    buffer.alignment_ = alignment < alignof(std::max_align_t) ? alignof(std::max_align_t) : alignment;
    if (size == 0) return buffer;
    buffer.data_ =
        static_cast<std::byte*>(::operator new (size, std::align_val_t{buffer.alignment_}, std::nothrow));
    if (buffer.data_ == nullptr) return buffer;
    buffer.size_ = size;
    std::memset(buffer.data_, 0, size);
    return buffer;
  }
  explicit operator bool() const { return data_ != nullptr; }

  AlignedBuffer(AlignedBuffer&& other) noexcept
      : data_(other.data_), size_(other.size_), alignment_(other.alignment_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  AlignedBuffer& operator=(AlignedBuffer&& other) noexcept {
    if (this != &other) {
      Release();
      data_ = other.data_;
      size_ = other.size_;
      alignment_ = other.alignment_;
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;

  std::byte* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::span<std::byte> Span() const { return {data_, size_}; }

 private:
  void Release() {
    if (data_ != nullptr) ::operator delete (data_, std::align_val_t{alignment_});
    data_ = nullptr;
  }

  std::byte* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t alignment_ = alignof(std::max_align_t);
};

}  // namespace drivecopy
