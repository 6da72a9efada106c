#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "desktop/shared/DesktopSession.h"

class QLabel;

namespace drivecopy {

class LabelButton;
class WindowTranslator;

// The info window: product name, version, copyright line and two links to the
// maker's web pages in the window's language. Created hidden; shown without
// modality over the main window and always on top; closing it hides it.
class InfoWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 318;
  static constexpr int ClientHeight = 247;

  // The session's texts must be loaded (the main window exists): the
  // translator links to the session's dispatcher here.
  InfoWindow(DesktopSession& session, QWidget& mainWindow);
  ~InfoWindow() override;

  // Shows the window centred over the main window, or brings it to the front
  // when it is already shown.
  void ShowInFront();

  // The address of the product page (`productPage`) or of the start page of
  // the maker's site for a translator language; any number other than 1, 3,
  // 4, 5, 6 gives the English pages.
  static std::string PageAddress(int language, bool productPage);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OpenProductPage();
  void OpenMakerSite();
  void LinkMouseEnter();
  void LinkMouseLeave();
  // Labels take the size of their text, as the translator may change both.
  void FitLabels();
  void CentreOverMainWindow();

  DesktopSession& session_;
  QWidget& mainWindow_;
  WindowTranslator* translator_;
  std::vector<QLabel*> labels_;  // the texts, which FitLabels sizes
};

}  // namespace drivecopy
