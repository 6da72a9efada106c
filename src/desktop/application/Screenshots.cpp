#include "desktop/application/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include "desktop/application/DemoTour.h"

namespace drivecopy {

QStringList WriteScreenshots(DesktopWindows& windows, UnattendedPromptService& prompts,
                             const QString& directory, QString& error) {
  QStringList written;
  if (!QDir().mkpath(directory)) {
    error = "cannot create the folder " + directory;
    return written;
  }
  TourDemoMachine(
      windows, prompts,
      [&](const QString& name, QWidget& window) {
        // Lets layouts settle and pending paints happen before the window is grabbed.
        for (int round = 0; round < 3; ++round) QApplication::processEvents();
        const QString path = QDir(directory).filePath(name + ".png");
        if (!window.grab().save(path)) {
          error = "cannot write " + path;
          return false;
        }
        written << path;
        return true;
      },
      error);
  return written;
}

}  // namespace drivecopy
