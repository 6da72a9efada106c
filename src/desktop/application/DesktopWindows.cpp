#include "desktop/application/DesktopWindows.h"

#include <QString>
#include <QTimer>

#include "desktop/main_window/InfoWindow.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"

namespace drivecopy {

DesktopWindows::DesktopWindows(DesktopSession& session)
    : session_(session),
      main_(std::make_unique<MainWindow>(session)),
      restoreImage_(std::make_unique<RestoreImageWindow>(session, *main_)),
      createImage_(std::make_unique<CreateImageWindow>(session, *main_)),
      clone_(std::make_unique<CloneWindow>(session, *main_)),
      info_(std::make_unique<InfoWindow>(session, *main_)) {
  main_->AttachWindows(restoreImage_.get(), createImage_.get(), clone_.get(), info_.get());
}

void DesktopWindows::ShowAtStart(bool withoutRights) {
  main_->show();
  if (!withoutRights) return;
  // Queued, so that the message stands over the main window once it is drawn.
  QTimer::singleShot(0, main_.get(), [this] {
    session_.prompts.ShowMessageBox(main_.get(), QString::fromStdString(session_.texts.strSVISTATitle),
                                    QString::fromStdString(session_.texts.strSVISTA),
                                    MessageBoxIcon::Information);
  });
}

// The reverse order of creation: the other windows were made over the main window.
DesktopWindows::~DesktopWindows() {
  info_.reset();
  clone_.reset();
  createImage_.reset();
  restoreImage_.reset();
  main_.reset();
}

}  // namespace drivecopy
