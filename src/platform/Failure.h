#pragma once
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace drivecopy {

// What kind of failure it is, as far as a job must tell them apart: a medium
// error costs only the sectors it hits (they are tried one by one), every
// other failure of a transfer ends the job, since trying the next sector of a
// device that is gone, read-only or full cannot succeed.
enum class FailureKind {
  Other,
  Medium,      // the medium could not be read or written there (EIO, a CRC error)
  ReadOnly,    // the device or file is write-protected or opened read-only
  DeviceGone,  // the device went away or is not ready (unplugged, no medium)
  NoSpace,     // the file system or device is full
  // A disk device this user has no right to open: reading or writing disks
  // needs root (or, on Linux, membership in the group that owns them).
  NoDiskRights,
  // The device gave no answer within the time one look at it may take (a
  // hung or dying device); nothing was read from it.
  NotAnswering,
};

// A reason the backend words itself, where the system has no text of its
// own: named, so that a message can give it in the user's language (the
// failure's text holds the English words).
enum class BackendReason {
  None,
  AnotherWriter,              // "another program is writing it"
  ExistsNotRegularFile,       // "it exists and is not a regular file ..., so it is not replaced"
  NotRegularFileNotDeleted,   // "it is not a regular file, so it is not deleted"
  PartitionTableNotReadBack,  // "the new partition table could not be read back"
};

// Why something could not be done, as the user should see it: the text says
// what failed and where. Only a failed system call carries the system's own
// error code (errno on Linux, the Windows code on the simulated machine),
// from which the backend that makes it reads `kind`; a fault the program
// finds itself (a damaged image, a refused set-up, a short write) has none.
struct Failure {
  std::string text;
  FailureKind kind = FailureKind::Other;
  std::optional<int> systemCode;
  BackendReason reason = BackendReason::None;

  // A failure the program finds itself.
  static Failure Because(std::string text, FailureKind kind = FailureKind::Other) {
    return Failure{std::move(text), kind, std::nullopt};
  }
  // A system call failed with `code`; `text` is the system's own (or says the same).
  static Failure OfSystemCall(int code, std::string text, FailureKind kind = FailureKind::Other) {
    return Failure{std::move(text), kind, code};
  }
  // The same failure with its text named as `why` (see BackendReason).
  Failure Naming(BackendReason why) const {
    Failure named = *this;
    named.reason = why;
    return named;
  }
  // The same failure told in other words, usually with the step or path
  // that failed in front; its kind and system code stay, a named reason
  // does not (the words are no longer only the reason).
  Failure Reworded(std::string newText) const { return Failure{std::move(newText), kind, systemCode}; }
};

// Either a value or the Failure that prevented it. The platform layer
// reports every failure this way; nothing in it throws.
template <typename T>
class Outcome {
 public:
  Outcome(T value) : state_(std::move(value)) {}
  Outcome(Failure failure) : state_(std::move(failure)) {}

  bool ok() const { return std::holds_alternative<T>(state_); }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<T>(state_); }
  const T& value() const { return std::get<T>(state_); }
  T& operator*() { return value(); }
  T* operator->() { return &value(); }
  const Failure& error() const { return std::get<Failure>(state_); }

 private:
  std::variant<T, Failure> state_;
};

template <>
class Outcome<void> {
 public:
  Outcome() = default;
  Outcome(Failure failure) : failed_(true), error_(std::move(failure)) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Failure& error() const { return error_; }

 private:
  bool failed_ = false;
  Failure error_;
};

}  // namespace drivecopy
