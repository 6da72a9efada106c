#pragma once
#include <QString>
#include <QWidget>
#include <string>

#include "jobs/OperationMemo.h"
#include "desktop/shared/DesktopSession.h"

class QPlainTextEdit;

namespace drivecopy {

class WindowTranslator;

// What the three operation windows (create image, restore image, clone
// drives) do alike as windows: each is a top-level window linked to the
// session's language, shown for a job while the main window is hidden and
// disabled, and closing it stops a running job and brings the main window
// back. A window runs one job at a time inside its Start click; the stop flag
// is what Cancel, closing and the job's observer share.
class OperationWindow : public QWidget {
  Q_OBJECT
 public:
  ~OperationWindow() override;

  // --- what a running job uses ---
  bool Stopped() const { return stopped_; }
  void SetStopped(bool stopped) { stopped_ = stopped; }
  // True while Start's job runs (inside the click).
  bool JobRunning() const { return running_; }
  QPlainTextEdit& Memo() { return *memo_; }
  OperationMemo& MemoLines() { return memoLines_; }
  void AppendMemoLine(const std::string& line);
  // While minimised the caption shows the progress ("42 %"); the window's
  // paint handler puts its own caption back once it is restored.
  void ShowProgressInCaption(int percent);

 protected:
  OperationWindow(DesktopSession& session, QWidget& mainWindow, Qt::WindowFlags flags);

  // Gives the window its fixed client size, the windows' font, blue ground
  // and its caption as designed, and covers it with the shadowed background
  // frame ("BackgroundFrame") that carries the controls.
  QWidget& BuildBackground(int clientWidth, int clientHeight, const QString& designCaption);

  // Links the window to the session's language through the built-in table of
  // `windowClass`, whose captions are designed in `designLanguage`. Run once,
  // after the controls the table names exist.
  void LinkTranslator(const char* windowClass, int designLanguage);

  // The handlers the window's events run. Showing it for a job (not the
  // system restoring it from the task bar) runs FormShow; closing it runs
  // FormClose; painting it or changing its state (minimised, restored) runs
  // OnPaint, which each window gives its own paint handler.
  virtual void FormShow() = 0;
  virtual void FormClose();
  virtual void OnPaint() = 0;

  // Sets the caption to `caption` unless the window is minimised, where the
  // caption shows the progress of a run.
  void RestoreCaption(const QString& caption);
  void GiveBackMainWindow();

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

  DesktopSession& session_;
  QWidget& mainWindow_;
  bool stopped_ = false;
  bool running_ = false;
  // The memo view, made by the window with its controls; the lines are what
  // the log saves.
  QPlainTextEdit* memo_ = nullptr;
  OperationMemo memoLines_;

 private:
  WindowTranslator* translator_ = nullptr;
};

}  // namespace drivecopy
