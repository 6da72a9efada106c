#pragma once
#include <memory>

#include "platform/AdministratorRights.h"

namespace drivecopy {

// Administrator rights on Windows: an elevated token, asked for through the
// system's elevation prompt (ShellExecuteExW with the "runas" verb).
std::unique_ptr<AdministratorRights> MakeElevationRights();

}  // namespace drivecopy
