#pragma once
#include <memory>

#include "shell/qt/DesktopSession.h"

namespace drivecopy {

class TCloneDriveFrm;
class TCreateImgForm;
class TInfoFrm;
class TRestoreImgForm;
class TVRZMainForm;

// The five windows of the program, created in their fixed order (the main
// window first, because its creation loads the message texts the others
// read) and destroyed in the reverse order. Only the main window is ever
// shown at start; the others are created hidden.
class DesktopWindows {
 public:
  explicit DesktopWindows(DesktopSession& session);
  ~DesktopWindows();
  DesktopWindows(const DesktopWindows&) = delete;
  DesktopWindows& operator=(const DesktopWindows&) = delete;

  TVRZMainForm& MainForm() { return *mainForm_; }
  TRestoreImgForm& RestoreImgForm() { return *restoreImgForm_; }
  TCreateImgForm& CreateImgForm() { return *createImgForm_; }
  TCloneDriveFrm& CloneDriveFrm() { return *cloneDriveFrm_; }
  TInfoFrm& InfoFrm() { return *infoFrm_; }

 private:
  std::unique_ptr<TVRZMainForm> mainForm_;
  std::unique_ptr<TRestoreImgForm> restoreImgForm_;
  std::unique_ptr<TCreateImgForm> createImgForm_;
  std::unique_ptr<TCloneDriveFrm> cloneDriveFrm_;
  std::unique_ptr<TInfoFrm> infoFrm_;
};

}  // namespace drivecopy
