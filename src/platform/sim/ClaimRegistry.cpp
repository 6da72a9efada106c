#include "platform/sim/ClaimRegistry.h"

#include <algorithm>

namespace drivecopy::sim {

class ClaimRegistry::Claim final : public WriteClaim {
 public:
  Claim(std::shared_ptr<ClaimRegistry> registry, std::uint64_t id, AfterWritingReport afterWriting)
      : registry_(std::move(registry)), id_(id), afterWriting_(std::move(afterWriting)) {}
  ~Claim() override { registry_->Release(id_); }
  AfterWritingReport AfterWriting() override { return afterWriting_; }

 private:
  std::shared_ptr<ClaimRegistry> registry_;
  std::uint64_t id_;
  AfterWritingReport afterWriting_;
};

class ClaimRegistry::Reading final : public ReadClaim {
 public:
  Reading(std::shared_ptr<ClaimRegistry> registry, std::uint64_t id)
      : registry_(std::move(registry)), id_(id) {}
  ~Reading() override { registry_->Release(id_); }

 private:
  std::shared_ptr<ClaimRegistry> registry_;
  std::uint64_t id_;
};

namespace {

// The places whose bytes a job reads: a file's own, not the volume it lies
// somewhere in (imaging a volume while a file on it is written is no
// conflict of the two jobs).
std::vector<StoragePlace> ReadPlaces(const std::vector<StoragePlace>& places) {
  std::vector<StoragePlace> read;
  for (const StoragePlace& place : places)
    if (!place.Inside) read.push_back(place);
  return read;
}

}  // namespace

std::optional<ClaimRegistry::Holder> ClaimRegistry::InTheWay(const std::vector<StoragePlace>& places,
                                                             bool writes) {
  for (const Held& held : held_) {
    if (writes && held.Who.Writes) {
      if (AnyPlacesMeet(held.Places, places)) return held.Who;
    } else if (writes || held.Who.Writes) {
      if (AnyPlacesMeet(ReadPlaces(held.Places), ReadPlaces(places))) return held.Who;
    }
  }
  return std::nullopt;
}

std::uint64_t ClaimRegistry::Add(std::vector<StoragePlace> places, Holder who) {
  const std::uint64_t id = nextId_++;
  held_.push_back(Held{id, std::move(places), std::move(who)});
  return id;
}

std::variant<std::unique_ptr<WriteClaim>, ClaimRegistry::Holder> ClaimRegistry::Take(
    std::vector<StoragePlace> places, AfterWritingReport afterWriting, std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto holder = InTheWay(places, true)) return *holder;
  const std::uint64_t id = Add(std::move(places), Holder{true, std::move(path)});
  return std::make_unique<Claim>(shared_from_this(), id, std::move(afterWriting));
}

std::variant<std::unique_ptr<ReadClaim>, ClaimRegistry::Holder> ClaimRegistry::TakeForReading(
    std::vector<StoragePlace> places, std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto holder = InTheWay(places, false)) return *holder;
  const std::uint64_t id = Add(std::move(places), Holder{false, std::move(path)});
  return std::make_unique<Reading>(shared_from_this(), id);
}

void ClaimRegistry::Release(std::uint64_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_.erase(std::remove_if(held_.begin(), held_.end(), [id](const Held& held) { return held.Id == id; }),
              held_.end());
}

}  // namespace drivecopy::sim
