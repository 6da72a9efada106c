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

  MainWindow& Main() { return *main_; }
  RestoreImageWindow& RestoreImage() { return *restoreImage_; }
  CreateImageWindow& CreateImage() { return *createImage_; }
  CloneWindow& Clone() { return *clone_; }
  InfoWindow& Info() { return *info_; }

 private:
  std::unique_ptr<MainWindow> main_;
  std::unique_ptr<RestoreImageWindow> restoreImage_;
  std::unique_ptr<CreateImageWindow> createImage_;
  std::unique_ptr<CloneWindow> clone_;
  std::unique_ptr<InfoWindow> info_;
};

}  // namespace drivecopy
