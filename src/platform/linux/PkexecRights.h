#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/AdministratorRights.h"

namespace drivecopy {

// Administrator rights on Linux: root, asked for with pkexec (polkit), which
// shows the desktop's own password dialog.
std::unique_ptr<AdministratorRights> MakePkexecRights();

namespace linux_backend {

// The environment pkexec is started with: this one, plus XAUTHORITY naming
// ~/.Xauthority when an X display is set but XAUTHORITY is not. pkexec keeps
// DISPLAY and XAUTHORITY for a program allowed to open windows, but gives it
// root's home, where the X server's cookie is not.
std::vector<std::string> EnvironmentForPkexec(const std::vector<std::string>& environment);

}  // namespace linux_backend
}  // namespace drivecopy
