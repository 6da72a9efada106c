#pragma once
#include <QString>
#include <QStringList>

#include "shell/qt/DesktopWindows.h"

namespace drivecopy {

// Renders every window and page to PNG files in `directory` (created when
// missing), in the active language: the start screen, the create-image page
// with its physical and logical drives, the restore page, the three operation
// windows and the info window. Returns the files written, or an error text in
// `error` (then the list holds what was written before the failure).
QStringList WriteScreenshots(DesktopWindows& windows, const QString& directory, QString& error);

}  // namespace drivecopy
