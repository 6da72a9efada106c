#pragma once
#include <string>
#include <utility>
#include <variant>

namespace drivecopy {

// What kind of failure a system error is, as far as a job must tell them
// apart: a medium error costs only the sectors it hits (they are tried one by
// one), every other failure of a transfer ends the job, since trying the next
// sector of a device that is gone, read-only or full cannot succeed.
enum class FailureKind {
  Other,
  Medium,      // the medium could not be read or written there (EIO, a CRC error)
  ReadOnly,    // the device or file is write-protected or opened read-only
  DeviceGone,  // the device went away or is not ready (unplugged, no medium)
  NoSpace,     // the file system or device is full
  // A disk device this user has no right to open: reading or writing disks
  // needs root (or, on Linux, membership in the group that owns them).
  NoDiskRights,
};

// An operating-system failure as the user should see it: the system's own
// error code and its text (strerror on Linux, the Windows message text on the
// simulated machine), plus what was being done when it happened. The backend
// that makes it fills `kind` from the code.
struct SystemError {
  int code = 0;
  std::string text;
  FailureKind kind = FailureKind::Other;
};

// Either a value or the SystemError that prevented it. The platform layer
// reports every failure this way; nothing in it throws.
template <typename T>
class Outcome {
 public:
  Outcome(T value) : state_(std::move(value)) {}
  Outcome(SystemError error) : state_(std::move(error)) {}

  bool ok() const { return std::holds_alternative<T>(state_); }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<T>(state_); }
  const T& value() const { return std::get<T>(state_); }
  T& operator*() { return value(); }
  T* operator->() { return &value(); }
  const SystemError& error() const { return std::get<SystemError>(state_); }

 private:
  std::variant<T, SystemError> state_;
};

template <>
class Outcome<void> {
 public:
  Outcome() = default;
  Outcome(SystemError error) : failed_(true), error_(std::move(error)) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const SystemError& error() const { return error_; }

 private:
  bool failed_ = false;
  SystemError error_;
};

}  // namespace drivecopy
