#include "platform/linux/JobClaims.h"

#include <memory>
#include <utility>
#include <variant>

#include "platform/linux/AttachedLoops.h"
#include "platform/linux/DeviceClaim.h"
#include "platform/linux/JobLedger.h"
#include "platform/linux/StorageTrace.h"

namespace drivecopy::linux_backend {

namespace {

// A write claim that also keeps the job's line in the ledger.
class LedgerWriteClaim final : public WriteClaim {
 public:
  LedgerWriteClaim(std::unique_ptr<WriteClaim> system, std::unique_ptr<LedgerEntry> entry)
      : system_(std::move(system)), entry_(std::move(entry)) {}
  AfterWritingReport AfterWriting() override { return system_->AfterWriting(); }

 private:
  std::unique_ptr<WriteClaim> system_;
  std::unique_ptr<LedgerEntry> entry_;  // let go after the system's claim: no one reads a half-settled device
};

class LedgerReadClaim final : public ReadClaim {
 public:
  explicit LedgerReadClaim(std::unique_ptr<LedgerEntry> entry) : entry_(std::move(entry)) {}

 private:
  std::unique_ptr<LedgerEntry> entry_;
};

ClaimRefusal HeldBy(const LedgerHolder& holder) {
  const OccupantKind kind =
      holder.Use == LedgerUse::Writing ? OccupantKind::JobWriting : OccupantKind::JobReading;
  return ClaimRefusal{ClaimRefusalReason::Occupied, {Occupant{kind, holder.Description}}, {}};
}

// How other jobs name this one: the path it was given and, for a part of a
// device, the sectors, as the bad-sector lines write them ("/dev/sdb
// @:2048-67583"; a partition is written through its disk).
std::string Described(const std::string& path, SectorRange range) {
  if (range.EndSector == INT64_MAX) return path;
  return path + " @:" + std::to_string(range.FirstSector) + "-" + std::to_string(range.EndSector - 1);
}

LedgerResult Enter(LedgerUse use, const std::string& path, SectorRange range) {
  JobLedger ledger(SharedLedgerFolder());
  return ledger.Enter(use, TraceStorage(path, range, ReadAttachedLoops()), Described(path, range));
}

}  // namespace

ClaimResult ClaimForJobWriting(const std::string& path, SectorRange range, ClaimTarget target) {
  if (target != ClaimTarget::Destination && target != ClaimTarget::ImageFile)
    return ClaimPath(path, range, target);
  // A destination is looked up in the ledger first, so that a job of ours
  // that writes it is named rather than found only as "in use"; an image file
  // is entered once the claim has made it (a whole new file, whatever range
  // was asked for).
  LedgerResult entered;
  ClaimResult claimed;
  if (target == ClaimTarget::Destination) {
    entered = Enter(LedgerUse::Writing, path, range);
    if (auto* holder = std::get_if<LedgerHolder>(&entered)) return HeldBy(*holder);
    claimed = ClaimPath(path, range, target);
  } else {
    claimed = ClaimPath(path, range, target);
    if (auto* refusal = std::get_if<ClaimRefusal>(&claimed)) {
      // Held by another program: when that is a job of ours, say which.
      if (refusal->Reason == ClaimRefusalReason::InUse) {
        const auto holder =
            JobLedger(SharedLedgerFolder())
                .InTheWayOf(LedgerUse::Writing, TraceStorage(path, {0, INT64_MAX}, ReadAttachedLoops()));
        if (holder) return HeldBy(*holder);
      }
      return claimed;
    }
    entered = Enter(LedgerUse::Writing, path, SectorRange{0, INT64_MAX});
    if (auto* holder = std::get_if<LedgerHolder>(&entered)) return HeldBy(*holder);
  }
  auto* claim = std::get_if<std::unique_ptr<WriteClaim>>(&claimed);
  if (claim == nullptr) return claimed;
  return std::unique_ptr<WriteClaim>(std::make_unique<LedgerWriteClaim>(
      std::move(*claim), std::move(std::get<std::unique_ptr<LedgerEntry>>(entered))));
}

ReadClaimResult ClaimForJobReading(const std::string& path, SectorRange range) {
  LedgerResult entered = Enter(LedgerUse::Reading, path, range);
  if (auto* holder = std::get_if<LedgerHolder>(&entered)) return HeldBy(*holder);
  return std::unique_ptr<ReadClaim>(
      std::make_unique<LedgerReadClaim>(std::move(std::get<std::unique_ptr<LedgerEntry>>(entered))));
}

}  // namespace drivecopy::linux_backend
