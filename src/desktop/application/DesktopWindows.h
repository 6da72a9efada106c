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

  // Shows the main window. `withoutRights`: the program asked for
  // administrator rights and starts without them; once the window is up it
  // says that drives cannot be opened (strSVISTA), as the drive lists do when
  // no drive opens.
  void ShowAtStart(bool withoutRights);

  MainWindow& Main() { return *main_; }
  RestoreImageWindow& RestoreImage() { return *restoreImage_; }
  CreateImageWindow& CreateImage() { return *createImage_; }
  CloneWindow& Clone() { return *clone_; }
  InfoWindow& Info() { return *info_; }

 private:
  DesktopSession& session_;
  std::unique_ptr<MainWindow> main_;
  std::unique_ptr<RestoreImageWindow> restoreImage_;
  std::unique_ptr<CreateImageWindow> createImage_;
  std::unique_ptr<CloneWindow> clone_;
  std::unique_ptr<InfoWindow> info_;
};

}  // namespace drivecopy
