#pragma once
#include <memory>

#include "desktop/shared/DesktopSession.h"

namespace drivecopy {

class CloneWindow;
class CreateImageWindow;
class InfoWindow;
class RestoreImageWindow;
class MainWindow;

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

  MainWindow& MainForm() { return *mainForm_; }
  RestoreImageWindow& RestoreImgForm() { return *restoreImgForm_; }
  CreateImageWindow& CreateImgForm() { return *createImgForm_; }
  CloneWindow& CloneDriveFrm() { return *cloneDriveFrm_; }
  InfoWindow& InfoFrm() { return *infoFrm_; }

 private:
  std::unique_ptr<MainWindow> mainForm_;
  std::unique_ptr<RestoreImageWindow> restoreImgForm_;
  std::unique_ptr<CreateImageWindow> createImgForm_;
  std::unique_ptr<CloneWindow> cloneDriveFrm_;
  std::unique_ptr<InfoWindow> infoFrm_;
};

}  // namespace drivecopy
