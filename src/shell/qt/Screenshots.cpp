#include "shell/qt/Screenshots.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QPixmap>
#include <functional>

#include "imaging/qt/TCreateImgForm.h"
#include "restore_clone/qt/TCloneDriveFrm.h"
#include "restore_clone/qt/TRestoreImgForm.h"
#include "shell/qt/TInfoFrm.h"
#include "shell/qt/TVRZMainForm.h"

namespace drivecopy {
namespace {

// Lets layouts settle and pending paints happen before a window is grabbed.
void Settle() {
  for (int round = 0; round < 3; ++round) QApplication::processEvents();
}

}  // namespace

QStringList WriteScreenshots(DesktopWindows& windows, const QString& directory, QString& error) {
  QStringList written;
  if (!QDir().mkpath(directory)) {
    error = "cannot create the folder " + directory;
    return written;
  }
  auto shoot = [&](const QString& name, QWidget& window) {
    Settle();
    const QString path = QDir(directory).filePath(name + ".png");
    if (!window.grab().save(path)) {
      error = "cannot write " + path;
      return false;
    }
    written << path;
    return true;
  };

  // Keep the pointer away from the windows, so no button shows its hover look.
  QCursor::setPos(-1000, -1000);
  TVRZMainForm& main = windows.MainForm();
  main.show();
  if (!shoot("start-screen", main)) return written;

  main.CreateImageButtomClick();
  if (!shoot("create-image-physical", main)) return written;
  main.ShowCreateImagePage(1);
  if (!shoot("create-image-logical", main)) return written;

  // The restore page as it looks once an image has been chosen (the file
  // chooser itself is not drawn).
  main.Session().JobKind = 2;
  main.ShowMainPage(2);
  main.ShowRestoreImagePage(0);
  if (!shoot("restore-image", main)) return written;
  main.ShowMainPage(0);

  struct OperationWindow {
    const char* name;
    QWidget* window;
  };
  const OperationWindow operationWindows[] = {
      {"create-window", &windows.CreateImgForm()},
      {"restore-window", &windows.RestoreImgForm()},
      {"clone-window", &windows.CloneDriveFrm()},
  };
  for (const OperationWindow& operation : operationWindows) {
    operation.window->show();
    const bool ok = shoot(operation.name, *operation.window);
    operation.window->close();
    if (!ok) return written;
  }

  windows.InfoFrm().ShowInFront();
  const bool ok = shoot("info-window", windows.InfoFrm());
  windows.InfoFrm().close();
  if (!ok) return written;
  return written;
}

}  // namespace drivecopy
