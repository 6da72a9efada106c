#include "desktop/application/DesktopWindows.h"

#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/main_window/InfoWindow.h"
#include "desktop/main_window/MainWindow.h"

namespace drivecopy {

DesktopWindows::DesktopWindows(DesktopSession& session)
    : mainForm_(std::make_unique<MainWindow>(session)),
      restoreImgForm_(std::make_unique<RestoreImageWindow>(session, *mainForm_)),
      createImgForm_(std::make_unique<CreateImageWindow>(session, *mainForm_)),
      cloneDriveFrm_(std::make_unique<CloneWindow>(session, *mainForm_)),
      infoFrm_(std::make_unique<InfoWindow>(session, *mainForm_)) {
  mainForm_->AttachWindows(restoreImgForm_.get(), createImgForm_.get(), cloneDriveFrm_.get(), infoFrm_.get());
}

// The reverse order of creation: the other windows were made over the main window.
DesktopWindows::~DesktopWindows() {
  infoFrm_.reset();
  cloneDriveFrm_.reset();
  createImgForm_.reset();
  restoreImgForm_.reset();
  mainForm_.reset();
}

}  // namespace drivecopy
