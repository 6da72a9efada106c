#pragma once
#include <QString>
#include <functional>

#include "desktop/application/DesktopWindows.h"
#include "desktop/shared/UnattendedPromptService.h"

class QWidget;

namespace drivecopy {

// One stop of the tour: `name` says where the tour is ("start-screen",
// "create-window-running", ...), `window` is the window to look at. Returning
// false ends the tour.
using TourStop = std::function<bool(const QString& name, QWidget& window)>;

// Walks through every window and page of the program in the active language,
// as a user would on the demo machine: the start screen, the create-image page
// with its physical and logical drives, the restore page, the three operations
// (an image of the second partition into a temporary folder, restored onto the
// USB stick's partition, then the USB stick cloned onto the internal disk; each
// operation window before Start, while its job runs and after it), and the info
// window. `stop` is called at each of these places, always in the same order,
// so two tours in different languages meet the same places. `prompts` must be
// the session's prompt service: it answers the runs' questions and file
// choosers. Returns false when a stop ended the tour or a temporary file could
// not be made (then `error` says which).
bool TourDemoMachine(DesktopWindows& windows, UnattendedPromptService& prompts, const TourStop& stop,
                     QString& error);

}  // namespace drivecopy
