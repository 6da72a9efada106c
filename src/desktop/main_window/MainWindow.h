#pragma once
#include <QWidget>
#include <cstdint>
#include <optional>

#include "desktop/main_window/MainWindowLists.h"
#include "desktop/shared/DesktopSession.h"

class QListWidgetItem;
class QTabWidget;
class QPlainTextEdit;
class QToolButton;

namespace drivecopy {

class FileDialogSettings;
class LabelButton;
class PanelStatusBar;
class SkinnedImageButton;
class CloneWindow;
struct DriveRow;
class CreateImageWindow;
class InfoWindow;
class RestoreImageWindow;
class WindowTranslator;

// The main window: a wizard whose pages the program switches itself (no page
// tabs are shown): the start screen with three image buttons, the create-image
// page (also used to choose a clone's source and destination) and the
// restore-image page. Its creation reads the stored language, sets it on the
// language dispatcher and loads the message texts, so it must be created
// before every other window. Closing it ends the program.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // Design client size and smallest outer size.
  static constexpr int DesignClientWidth = 597;
  static constexpr int DesignClientHeight = 522;
  static constexpr int SmallestWidth = 400;
  static constexpr int SmallestHeight = 300;

  explicit MainWindow(DesktopSession& session);
  ~MainWindow() override;

  // The other windows, created after this one; the main window shows them,
  // clears the clone window's selection and keeps in its create page's memo
  // what the create and clone windows hand it after a run. Call once, before
  // the window is shown.
  void AttachWindows(RestoreImageWindow* restoreWindow, CreateImageWindow* createWindow,
                     CloneWindow* cloneWindow, InfoWindow* infoWindow);

  // Page switching: 0 start screen, 1 create-image page, 2 restore-image page;
  // the create page's inner pages 0 physical drives, 1 logical drives; the
  // restore page's one inner page 0. Each also sets the caption (and, for the
  // main pages, the window colour).
  void ShowMainPage(std::uint8_t index);
  void ShowCreateImagePage(std::uint8_t index);
  void ShowRestoreImagePage(std::uint8_t index);

  // How often the message texts were loaded (the language change event and
  // the creation each load them).
  int UpdateStringsRuns() const { return updateStringsRuns_; }

  // The override cursor saved when the mouse entered a start-screen button.
  std::optional<Qt::CursorShape> CursorBeforeHover() const { return cursorBeforeHover_; }

  DesktopSession& Session() { return session_; }
  FileDialogSettings& OpenImageDialog() { return *openImageDialog_; }
  const QString& ChosenImagePath() const { return chosenImagePath_; }
  // The drive, partition and logical drive lists of the create and restore pages.
  MainWindowLists& Lists() { return *lists_; }

  // Start-screen buttons and labels (public so that the set-ups and the tests
  // can drive them as a click would).
  void CreateImageClick();
  void RestoreImageClick();
  void CloneDrivesClick();
  void CancelClick();
  void VolumesCancelClick();
  void InfoClick();
  void CreatePageNextClick();
  void RestorePageNextClick();

  // What Restore Image does once `imagePath` was chosen: the restore page
  // with the image's size in its memo and the destinations listed.
  void OpenImageForRestore(const QString& imagePath);

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildStartScreen();
  QWidget* BuildCreateImagePage();
  QWidget* BuildRestoreImagePage();
  void WireLists();
  void ApplyStoredLanguage();
  void FirstShow();
  void FollowFrame();
  void CentreStartButtons();
  void UpdateStrings();
  void SetWindowColour(const QColor& colour);

  void StartButtonMouseEnter(SkinnedImageButton* button);
  void StartButtonMouseLeave(SkinnedImageButton* button, std::optional<Qt::CursorShape> cursor);
  void NextLabelMouseEnter();
  void NextLabelMouseLeave();

  // The two branches of the create page's Next.
  void CreateImageNext(const DriveRow& row);
  void CloneNext(QListWidgetItem* item, const DriveRow& row);
  void SetCreatePageLabelsEnabled(bool enabled);
  void ShowError(const std::string& text);

  DesktopSession& session_;
  WindowTranslator* translator_ = nullptr;
  FileDialogSettings* openImageDialog_ = nullptr;
  QString chosenImagePath_;
  int updateStringsRuns_ = 0;
  std::optional<Qt::CursorShape> cursorBeforeHover_;
  bool firstShowDone_ = false;
  // The frame's share of the outer size as last followed (none before the first show).
  std::optional<QSize> knownFrame_;

  QTabWidget* pages_ = nullptr;
  QTabWidget* createPages_ = nullptr;
  QTabWidget* restorePages_ = nullptr;
  SkinnedImageButton* createImageButton_ = nullptr;
  SkinnedImageButton* restoreImageButton_ = nullptr;
  SkinnedImageButton* cloneDrivesButton_ = nullptr;
  PanelStatusBar* statusBar_ = nullptr;
  MainWindowLists* lists_ = nullptr;
  // The lists, their tool buttons and the logical drives' memo, as the
  // lists' owner gets them.
  MainWindowListControls listControls_;
  QPlainTextEdit* createPageMemo_ = nullptr;
  QPlainTextEdit* restorePageMemo_ = nullptr;
  LabelButton* createNextLabel_ = nullptr;
  LabelButton* createCancelLabel_ = nullptr;

  RestoreImageWindow* restoreWindow_ = nullptr;
  CreateImageWindow* createWindow_ = nullptr;
  CloneWindow* cloneWindow_ = nullptr;
  InfoWindow* infoWindow_ = nullptr;
};

}  // namespace drivecopy
