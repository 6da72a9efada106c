#pragma once
#include <windows.h>

#include <string>
#include <utility>

namespace drivecopy::windows_backend {

// Owns one reference to a COM interface and releases it once.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ComPointer(ComPointer&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPointer& operator=(ComPointer&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  ~ComPointer() { Reset(); }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // Where a call that hands out a reference stores it; whatever was held
  // before is released first.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  // The same, for the calls that take the address as void** (with an IID).
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

 private:
  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }
  Interface* pointer_ = nullptr;
};

// Owns a BSTR, the string type the automation calls take and return.
class OwnedBstr {
 public:
  explicit OwnedBstr(const std::wstring& text)
      : text_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  OwnedBstr(const OwnedBstr&) = delete;
  OwnedBstr& operator=(const OwnedBstr&) = delete;
  ~OwnedBstr() { ::SysFreeString(text_); }

  // Null when the allocation failed.
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

// Owns a VARIANT and clears it (freeing its string, array or interface) once.
class OwnedVariant {
 public:
  OwnedVariant() { ::VariantInit(&value_); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
  ~OwnedVariant() { ::VariantClear(&value_); }

  VARIANT* Get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

}  // namespace drivecopy::windows_backend
