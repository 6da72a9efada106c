#include "jobs/DestinationGuard.h"

#include <variant>
#include <vector>

#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {

namespace {

std::string OccupiedText(const MessageTexts& texts, const std::string& path, const Occupant& occupant) {
  switch (occupant.Kind) {
    case OccupantKind::MountedFileSystem:
      return FillPlaceholders(texts.Checks.strSDestinationMounted, {path, occupant.Name});
    case OccupantKind::ActiveSwap:
      return FillPlaceholders(texts.Checks.strSDestinationSwap, {path, occupant.Name});
    case OccupantKind::StackedDevice:
      return FillPlaceholders(texts.Checks.strSDestinationStacked, {path, occupant.Name});
    case OccupantKind::LoopDevice:
      return FillPlaceholders(texts.Checks.strSDestinationLoop, {path, occupant.Name});
    case OccupantKind::JobReading:
      return FillPlaceholders(texts.Checks.strSDestinationJobReading, {path, occupant.Name});
    case OccupantKind::JobWriting:
      return FillPlaceholders(texts.Checks.strSDestinationJobWriting, {path, occupant.Name});
  }
  return FillPlaceholders(texts.Checks.strSDestinationInUse, {path});
}

GuardedDestination Refuse(std::string text) {
  return GuardedDestination{nullptr, std::move(text), false, {}};
}

}  // namespace

GuardedDestination GuardDestination(Platform& platform, const MessageTexts& texts, const std::string& path,
                                    SectorRange range, ClaimTarget target) {
  if (auto occupants = platform.OccupantsOf(path, range); !occupants.empty()) {
    return Refuse(OccupiedText(texts, path, occupants.front()));
  }
  ClaimResult result = platform.ClaimForWriting(path, range, target);
  if (auto* claim = std::get_if<std::unique_ptr<WriteClaim>>(&result))
    return GuardedDestination{std::move(*claim), {}, false, {}};

  const ClaimRefusal& refusal = std::get<ClaimRefusal>(result);
  switch (refusal.Reason) {
    case ClaimRefusalReason::Occupied:
      if (!refusal.Occupants.empty()) return Refuse(OccupiedText(texts, path, refusal.Occupants.front()));
      break;
    case ClaimRefusalReason::InUse:
      // Something took it between the two questions, or the system does not
      // name the holder: ask once more before settling for "in use".
      if (auto occupants = platform.OccupantsOf(path, range); !occupants.empty()) {
        return Refuse(OccupiedText(texts, path, occupants.front()));
      }
      break;
    case ClaimRefusalReason::ReadOnly:
      return Refuse(FillPlaceholders(texts.Checks.strSDestinationReadOnly, {path}));
    case ClaimRefusalReason::NotRegularFile:
      return Refuse(FillPlaceholders(texts.Checks.strSNotRegularFile, {path}));
    case ClaimRefusalReason::Failed: {
      const std::string cause = FailureCause(texts, refusal.Error);
      return GuardedDestination{nullptr, FillPlaceholders(texts.Checks.strSCannotClaim, {path, cause}), true,
                                cause};
    }
  }
  return Refuse(FillPlaceholders(texts.Checks.strSDestinationInUse, {path}));
}

}  // namespace drivecopy
