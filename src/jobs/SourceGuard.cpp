#include "jobs/SourceGuard.h"

#include <variant>

#include "text/FillPlaceholders.h"

namespace drivecopy {

GuardedSource GuardSource(Platform& platform, const MessageTexts& texts, const std::string& path,
                          SectorRange range) {
  ReadClaimResult result = platform.ClaimForReading(path, range);
  if (auto* claim = std::get_if<std::unique_ptr<ReadClaim>>(&result))
    return GuardedSource{std::move(*claim), {}};
  const ClaimRefusal& refusal = std::get<ClaimRefusal>(result);
  const std::string holder = refusal.Occupants.empty() ? std::string() : refusal.Occupants.front().Name;
  return GuardedSource{nullptr, FillPlaceholders(texts.Checks.strSSourceJobWriting, {path, holder})};
}

}  // namespace drivecopy
