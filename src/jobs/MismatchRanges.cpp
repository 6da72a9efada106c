#include "jobs/MismatchRanges.h"

#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {

void MismatchRanges::Differs(std::int64_t sector) { Take(sector, Kind::Differs, nullptr); }

void MismatchRanges::Unreadable(std::int64_t sector, const Failure& cause) {
  Take(sector, Kind::Unreadable, &cause);
}

void MismatchRanges::Take(std::int64_t sector, Kind kind, const Failure* cause) {
  ++count_;
  if (open_ && open_->Of == kind && open_->Last + 1 == sector) {
    open_->Last = sector;
    return;
  }
  Close();
  open_ = OpenRange{sector, sector, kind, cause ? FailureCause(texts_, *cause) : std::string()};
}

void MismatchRanges::Close() {
  if (!open_) return;
  const CheckTexts& checks = texts_.Checks;
  const std::string first = std::to_string(open_->First);
  const std::string last = std::to_string(open_->Last);
  const bool single = open_->First == open_->Last;
  if (open_->Of == Kind::Differs) {
    report_.Line(single ? FillPlaceholders(checks.strSVerifyDifferOne, {first, readBack_, reference_})
                        : FillPlaceholders(checks.strSVerifyDiffer, {first, last, readBack_, reference_}));
  } else {
    report_.Line(single
                     ? FillPlaceholders(checks.strSVerifyUnreadableOne, {first, readBack_, open_->Cause})
                     : FillPlaceholders(checks.strSVerifyUnreadable, {first, last, readBack_, open_->Cause}));
  }
  open_.reset();
}

}  // namespace drivecopy
