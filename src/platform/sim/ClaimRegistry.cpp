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

std::unique_ptr<WriteClaim> ClaimRegistry::Take(std::vector<StoragePlace> places,
                                                AfterWritingReport afterWriting) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [id, held] : held_)
    if (AnyPlacesMeet(held, places)) return nullptr;
  const std::uint64_t id = nextId_++;
  held_.emplace_back(id, std::move(places));
  return std::make_unique<Claim>(shared_from_this(), id, std::move(afterWriting));
}

void ClaimRegistry::Release(std::uint64_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_.erase(
      std::remove_if(held_.begin(), held_.end(), [id](const auto& entry) { return entry.first == id; }),
      held_.end());
}

}  // namespace drivecopy::sim
