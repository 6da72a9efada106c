#include "shell/qt/DesktopWindows.h"

#include "imaging/qt/TCreateImgForm.h"
#include "restore_clone/qt/TCloneDriveFrm.h"
#include "restore_clone/qt/TRestoreImgForm.h"
#include "shell/qt/TInfoFrm.h"
#include "shell/qt/TVRZMainForm.h"

namespace drivecopy {

DesktopWindows::DesktopWindows(DesktopSession& session)
    : mainForm_(std::make_unique<TVRZMainForm>(session)),
      restoreImgForm_(std::make_unique<TRestoreImgForm>(session, *mainForm_)),
      createImgForm_(std::make_unique<TCreateImgForm>(session, *mainForm_)),
      cloneDriveFrm_(std::make_unique<TCloneDriveFrm>(session, *mainForm_)),
      infoFrm_(std::make_unique<TInfoFrm>(session, *mainForm_)) {
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
