#pragma once
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Failure.h"
#include "platform/WriteClaim.h"
#include "platform/sim/StoragePlace.h"

namespace drivecopy::sim {

// The claims of jobs that live on a simulated machine: a second job that
// would write storage the first one writes or reads is refused while the
// first runs, and a job that would read what one writes.
class ClaimRegistry : public std::enable_shared_from_this<ClaimRegistry> {
 public:
  // A claim that stands in the way: whether it writes, and the path its job
  // was given.
  struct Holder {
    bool Writes = false;
    std::string Path;
  };

  // Takes `places` for writing; the holder that stands in the way when a
  // living claim meets them. `afterWriting` is what the claim's AfterWriting
  // reports.
  std::variant<std::unique_ptr<WriteClaim>, Holder> Take(std::vector<StoragePlace> places,
                                                         AfterWritingReport afterWriting, std::string path);
  // Takes `places` for reading; the writer that stands in the way when one does.
  std::variant<std::unique_ptr<ReadClaim>, Holder> TakeForReading(std::vector<StoragePlace> places,
                                                                  std::string path);

 private:
  class Claim;
  class Reading;
  struct Held {
    std::uint64_t Id = 0;
    std::vector<StoragePlace> Places;
    Holder Who;
  };
  // The first living claim that meets `places` and stands in the way of a
  // job that writes (`writes`) or reads.
  std::optional<Holder> InTheWay(const std::vector<StoragePlace>& places, bool writes);
  std::uint64_t Add(std::vector<StoragePlace> places, Holder who);
  void Release(std::uint64_t id);

  std::mutex mutex_;
  std::uint64_t nextId_ = 1;
  std::vector<Held> held_;
};

}  // namespace drivecopy::sim
