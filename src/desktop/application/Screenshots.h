#pragma once
#include <QString>
#include <QStringList>

#include "desktop/application/DesktopWindows.h"
#include "desktop/shared/UnattendedPromptService.h"

namespace drivecopy {

// Renders every window and page to PNG files in `directory` (created when
// missing), in the active language: one picture at each stop of
// TourDemoMachine (desktop/application/DemoTour.h), named after the stop.
// `prompts` must be the session's prompt service: it answers the runs'
// questions and file choosers. Returns the files written, or an error text in
// `error` (then the list holds what was written before the failure).
QStringList WriteScreenshots(DesktopWindows& windows, UnattendedPromptService& prompts,
                             const QString& directory, QString& error);

}  // namespace drivecopy
