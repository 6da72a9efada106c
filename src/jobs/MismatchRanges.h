#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "jobs/JobReport.h"
#include "platform/Failure.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The sectors a verification found wrong, taken in ascending order and told
// as ranges: neighbouring sectors of one kind become one memo line ("Sectors
// 2048 to 2050 of /dev/sdb differ from x.img."), so that a damaged region is
// one line and not thousands. A sector that differs and one that cannot be
// read back are told apart; an unreadable range names the cause of its first
// sector.
class MismatchRanges {
 public:
  // `readBack` names what was read back, `reference` what it was compared
  // with; sector numbers are those of `readBack`.
  MismatchRanges(const MessageTexts& texts, std::string readBack, std::string reference, JobReport& report)
      : texts_(texts), readBack_(std::move(readBack)), reference_(std::move(reference)), report_(report) {}

  void Differs(std::int64_t sector);
  void Unreadable(std::int64_t sector, const Failure& cause);
  // Tells the range still open; called once the last sector was compared.
  void Close();
  // Sectors found wrong so far, of both kinds.
  std::int64_t Count() const { return count_; }

 private:
  enum class Kind { Differs, Unreadable };
  void Take(std::int64_t sector, Kind kind, const Failure* cause);

  struct OpenRange {
    std::int64_t First = 0;
    std::int64_t Last = 0;
    Kind Of = Kind::Differs;
    std::string Cause;
  };

  const MessageTexts& texts_;
  std::string readBack_;
  std::string reference_;
  JobReport& report_;
  std::optional<OpenRange> open_;
  std::int64_t count_ = 0;
};

}  // namespace drivecopy
