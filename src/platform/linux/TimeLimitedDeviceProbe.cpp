#include "platform/linux/TimeLimitedDeviceProbe.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

#include "platform/linux/LinuxDeviceHandle.h"
#include "platform/linux/TimeLimitedLook.h"

namespace drivecopy::linux_backend {
namespace {

// The facts travel from the child as bytes: both sides are the same program,
// so the records go as they lie in memory, and texts with their length.
class Encoder {
 public:
  template <typename T>
  void Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  template <typename T>
  void PutOptional(const std::optional<T>& value) {
    Put(value.has_value());
    if (value) Put(*value);
  }
  void PutFailure(const Failure& failure) {
    Put(failure.kind);
    Put(failure.systemCode.has_value());
    Put(failure.systemCode.value_or(0));
    Put(failure.reason);
    Put(static_cast<std::uint64_t>(failure.text.size()));
    bytes_ += failure.text;
  }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class Decoder {
 public:
  explicit Decoder(const std::string& bytes) : bytes_(bytes) {}
  bool Complete() const { return ok_ && position_ == bytes_.size(); }

  template <typename T>
  T Get() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value{};
    if (!ok_ || bytes_.size() - position_ < sizeof value) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, bytes_.data() + position_, sizeof value);
    position_ += sizeof value;
    return value;
  }
  template <typename T>
  std::optional<T> GetOptional() {
    if (!Get<bool>()) return std::nullopt;
    return Get<T>();
  }
  Failure GetFailure() {
    Failure failure;
    failure.kind = Get<FailureKind>();
    const bool hasCode = Get<bool>();
    const int code = Get<int>();
    if (hasCode) failure.systemCode = code;
    failure.reason = Get<BackendReason>();
    const auto length = Get<std::uint64_t>();
    if (!ok_ || bytes_.size() - position_ < length) {
      ok_ = false;
      return failure;
    }
    failure.text = bytes_.substr(position_, static_cast<std::size_t>(length));
    position_ += static_cast<std::size_t>(length);
    return failure;
  }

 private:
  const std::string& bytes_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

std::string LookAt(const std::string& path) {
  Encoder out;
  auto opened = OpenLinuxDevice(path, OpenMode::Read);
  out.Put(opened.ok());
  if (!opened) {
    out.PutFailure(opened.error());
    return out.Take();
  }
  const DeviceFacts facts = ReadDeviceFacts(**opened);
  out.Put(facts.FirstSector);
  out.Put(static_cast<std::uint64_t>(facts.FirstSectorBytes));
  out.Put(facts.FirstSectorFailure.has_value());
  if (facts.FirstSectorFailure) out.PutFailure(*facts.FirstSectorFailure);
  out.PutOptional(facts.PartitionInfo);
  out.PutOptional(facts.Geometry);
  out.PutOptional(facts.Layout);
  return out.Take();
}

}  // namespace

Outcome<DeviceFacts> ProbeDeviceWithinTimeLimit(const std::string& path) {
  auto answer = LookWithinTimeLimit(path, [&path] { return LookAt(path); });
  if (!answer) return answer.error();
  const Failure garbled = Failure::Because("the look at " + path + " gave an answer that cannot be read");
  Decoder in(answer.value());
  if (!in.Get<bool>()) {
    Failure failure = in.GetFailure();
    return in.Complete() ? failure : garbled;
  }
  DeviceFacts facts;
  facts.FirstSector = in.Get<decltype(facts.FirstSector)>();
  facts.FirstSectorBytes = static_cast<std::size_t>(in.Get<std::uint64_t>());
  if (in.Get<bool>()) facts.FirstSectorFailure = in.GetFailure();
  facts.PartitionInfo = in.GetOptional<PARTITION_INFORMATION>();
  facts.Geometry = in.GetOptional<DISK_GEOMETRY>();
  facts.Layout = in.GetOptional<DRIVE_LAYOUT_INFORMATION>();
  if (!in.Complete()) return garbled;
  return facts;
}

}  // namespace drivecopy::linux_backend
