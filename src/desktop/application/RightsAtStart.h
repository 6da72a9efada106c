#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AdministratorRights.h"

namespace drivecopy {

// What the desktop start-up was asked that decides whether it asks for
// administrator rights.
struct RightsRequest {
  bool AskForRights = false;   // --ask-for-rights, as the menu entry starts the program
  bool RealMachine = false;    // no --machine: only the real machine's drives need the rights
  bool DrawsPictures = false;  // --screenshots, which opens no window
  // The arguments the program is run again with: its own, less its name and
  // --ask-for-rights (so that a rerun never asks again).
  std::vector<std::string> Arguments;
};

// How the start-up goes on once the rights are settled.
struct StartAfterRights {
  enum class Next {
    StartHere,           // nothing to ask for: not asked, rights already held, or no real drive involved
    StartWithoutRights,  // asked, but refused or no way to ask: open the windows all the same
    End,                 // the program ran again with the rights and has ended: end with its status
  };
  Next What = Next::StartHere;
  RightsRerun Rerun;  // how asking ended, when the rights were asked for
};

// With --ask-for-rights on the real machine and without the rights, runs the
// program again through `rights` (the system asks the user for them) and
// waits for it; otherwise asks nothing.
StartAfterRights SettleRights(const RightsRequest& request, AdministratorRights& rights);

// The Wayland socket to hand to the program run with the rights, as a full
// path: pkexec keeps an X display (DISPLAY, XAUTHORITY) but drops
// WAYLAND_DISPLAY and XDG_RUNTIME_DIR. Only when there is no X display, which
// the rerun would use instead (XWayland); nullopt when there is nothing to
// hand over or it cannot be named.
std::optional<std::string> WaylandSocketForRerun(std::string_view display, std::string_view waylandDisplay,
                                                 std::string_view runtimeDirectory);

}  // namespace drivecopy
