#include "desktop/application/RightsAtStart.h"

namespace drivecopy {

StartAfterRights SettleRights(const RightsRequest& request, AdministratorRights& rights) {
  if (!request.AskForRights || !request.RealMachine || request.DrawsPictures || rights.Held()) return {};
  const RightsRerun rerun = rights.RerunWithRights(request.Arguments);
  if (rerun.How == RightsRerun::Ending::Finished) return {StartAfterRights::Next::End, rerun};
  return {StartAfterRights::Next::StartWithoutRights, rerun};
}

std::optional<std::string> WaylandSocketForRerun(std::string_view display, std::string_view waylandDisplay,
                                                 std::string_view runtimeDirectory) {
  if (!display.empty() || waylandDisplay.empty()) return std::nullopt;
  if (waylandDisplay.starts_with('/')) return std::string(waylandDisplay);
  if (runtimeDirectory.empty()) return std::nullopt;
  std::string path(runtimeDirectory);
  if (!path.ends_with('/')) path += '/';
  return path + std::string(waylandDisplay);
}

}  // namespace drivecopy
