#pragma once
#include <windows.h>

#include <utility>

namespace drivecopy::windows_backend {

// Owns a kernel handle (file, device, volume) and closes it once.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Close(); }

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }

 private:
  void Close() {
    if (Valid()) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace drivecopy::windows_backend
