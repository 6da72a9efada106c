#pragma once
#include <QString>
#include <QWidget>
#include <string>

#include "desktop/shared/DesktopSession.h"
#include "jobs/JobOutcome.h"
#include "jobs/OperationMemo.h"

class QPlainTextEdit;

namespace drivecopy {

class LabelButton;
class WindowJobObserver;
class WindowTranslator;
struct JobWindowControls;

// What the three operation windows (create image, restore image, clone
// drives) do alike: each is a top-level window linked to the session's
// language, shown for a job while the main window is hidden and disabled,
// with Start and Abort labels at its bottom right and a memo of its runs.
// Closing it stops a running job and brings the main window back.
//
// A window runs one job at a time inside its Start click; the job pumps the
// event loop, so Cancel, closing the window and even a second Start or a new
// showing can arrive while it runs. The stop flag is what Cancel, closing and
// the job's observer share; a Start or a showing during a run does nothing.
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
  LabelButton& StartLabel() { return *startLabel_; }

 public slots:
  // Start: runs the window's job inside the click, unless one runs already
  // or the window has nothing to run yet. A run that failed or was refused
  // has shown its error box; its cause is also kept as the memo's last line.
  // A window closed during the run gives the main window back at its end.
  void StartClick();
  // Abort: stops a running job after the block in progress and closes the window.
  virtual void AbortClick();

 protected:
  // How the Start and Abort labels answer the mouse: turning green (and Start
  // showing the hand only while no stop is asked), or only showing the hand.
  enum class CommandHover { ColourAndHand, HandOnly };

  OperationWindow(DesktopSession& session, QWidget& mainWindow, Qt::WindowFlags flags);

  // Gives the window its fixed client size, the windows' font, blue ground
  // and its caption as designed, and covers it with the shadowed background
  // frame ("BackgroundFrame") that carries the controls.
  QWidget& BuildBackground(int clientWidth, int clientHeight, const QString& designCaption);

  // The Start ("RegOKLabel", at `startLeft`) and Abort ("RegCancelLabel",
  // 54 pixels to its right) labels on `page` at `top`, with their design
  // captions, wired to StartClick and AbortClick.
  void BuildCommandLabels(QWidget& page, int startLeft, int top, const QString& abortCaption,
                          CommandHover hover);

  // Links the window to the session's language through the built-in table of
  // `windowClass`, whose captions are designed in `designLanguage`. Run once,
  // after the controls the table names exist.
  void LinkTranslator(const char* windowClass, int designLanguage);

  // The hidden "Shadow Copy Service" box: ticking starts the service, clearing
  // stops it, and either says so in the memo when it worked. Failures are not
  // reported: the box is an offer, and the job runs either way.
  void ShadowCopyBoxToggled(bool checked);
  bool ShadowCopyServiceRunning() const;

  // --- what each window does for itself ---
  // Showing the window for a job: the labels fitted to their captions, the
  // window centred over the main window, which is put away, Start offered and
  // the stop flag cleared; then this, for the window's own controls.
  virtual void PrepareOwnControls() = 0;
  // Whether Start has what a run needs (the clone needs both its ends).
  virtual bool ReadyToStart() const { return true; }
  // Before the job: the controls a run must not change are disabled.
  virtual void BeginRun() = 0;
  virtual JobWindowControls JobControls() = 0;
  virtual JobOutcome RunJob(WindowJobObserver& observer) = 0;
  // After the job (the running flag cleared, a failure's cause in the memo):
  // the controls back, and whether the window closes now.
  virtual bool EndRun(const JobOutcome& outcome, const WindowJobObserver& observer) = 0;
  // The window's caption as the language gives it.
  virtual QString OwnCaption() const = 0;
  // Painting the window or changing its state (minimised, restored): the
  // window's caption comes back unless it is minimised, where the caption
  // shows the progress of a run.
  virtual void RefreshCaptions();

  void GiveBackMainWindow();

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

  DesktopSession& session_;
  QWidget& mainWindow_;
  bool stopped_ = false;
  // The memo view, made by the window with its controls; the lines are what
  // the log saves.
  QPlainTextEdit* memo_ = nullptr;
  OperationMemo memoLines_;
  LabelButton* startLabel_ = nullptr;
  LabelButton* abortLabel_ = nullptr;

 private:
  void PrepareForJob();
  void KeepErrorInMemo(const JobOutcome& outcome);

  bool running_ = false;
  WindowTranslator* translator_ = nullptr;
};

}  // namespace drivecopy
