#pragma once
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Failure.h"
#include "platform/WriteClaim.h"
#include "platform/sim/StoragePlace.h"

namespace drivecopy::sim {

// The claims for writing that live on a simulated machine, so that a second
// job (another instance) on the same storage is refused while the first runs.
class ClaimRegistry : public std::enable_shared_from_this<ClaimRegistry> {
 public:
  // Takes `places` for a new claim; nullptr when a living claim meets them.
  // `afterWriting` is what the claim's AfterWriting reports.
  std::unique_ptr<WriteClaim> Take(std::vector<StoragePlace> places, AfterWritingReport afterWriting);

 private:
  class Claim;
  void Release(std::uint64_t id);

  std::mutex mutex_;
  std::uint64_t nextId_ = 1;
  std::vector<std::pair<std::uint64_t, std::vector<StoragePlace>>> held_;
};

}  // namespace drivecopy::sim
