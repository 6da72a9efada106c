#pragma once
#include <QString>
#include <QWidget>
#include <string>

#include "restore_clone/CloneJob.h"
#include "restore_clone/CloneSetup.h"
#include "shell/OperationMemo.h"
#include "shell/qt/DesktopSession.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;

namespace drivecopy {

class GradientProgressBar;
class LabelButton;
class ShadowFrame;
class WindowJobObserver;
class WindowTranslator;

// The clone window: source and destination descriptions, the log option, one
// progress bar and the memo of every set-up and run since the program
// started (never cleared, so the clone log holds them all). It owns the clone
// selection that the main window's lists consult to leave the source out; the
// clone set-up records the source and the destination in it and shows the
// window once both are chosen. While it is shown the main window is hidden
// and disabled; closing it brings the main window back. Always on top.
class TCloneDriveFrm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 426;
  static constexpr int ClientHeight = 480;

  TCloneDriveFrm(DesktopSession& session, QWidget& mainWindow);
  ~TCloneDriveFrm() override;

  // --- the clone selection (CloneSource, CloneDestination and their flags) ---
  CloneSelection& Selection() { return selection_; }
  const CloneSelection& Selection() const { return selection_; }
  // Shows what a Next of the set-up recorded: the description in the source
  // or destination label, and the step's lines in the memo.
  void ShowSelectionStep(const CloneSelection::NextResult& step);
  QLabel& SourcedriveLabel() { return *sourcedriveLabel_; }
  QLabel& DestinationDriveLabel() { return *destinationDriveLabel_; }

  // Everything a run needs, as the window holds it now.
  CloneParameters JobParameters() const;

  // --- what a running job uses ---
  bool Stopped() const { return stopped_; }
  void SetStopped(bool stopped) { stopped_ = stopped; }
  QPlainTextEdit& Memo() { return *memo_; }
  OperationMemo& MemoLines() { return memoLines_; }
  void AppendMemoLine(const std::string& line);
  GradientProgressBar& ProgressBar() { return *progressBar_; }
  QLabel& BytesRemainingLabel() { return *bytesRemainingLabel2_; }
  // Speed and time left of a running job, beside the bytes remaining; empty when idle.
  QLabel& SpeedLabel() { return *speedLabel_; }
  // True while Start's job runs (inside the click).
  bool JobRunning() const { return running_; }
  LabelButton& StartLabel() { return *regOKLabel_; }
  QCheckBox& ShadowCopyCheckBox() { return *shadowCopyCheckBox_; }
  // While minimised the caption shows the progress ("42 %").
  void ShowProgressInCaption(int percent);

 public slots:
  // Start: runs the clone job inside the click (it asks the overwrite
  // question first). Start and the boxes are disabled meanwhile; Cancel and
  // closing the window stop it after the block in progress, and its end step
  // (closing line, log) still runs. The window stays open afterwards with
  // Start enabled; the start time goes to the main window's memo.
  void RegOKLabelClick();
  void RegCancelLabelClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void UpdateCaptions();
  void FormShow();
  void FormClose();
  void FormPaint();
  void LogFileCheckBoxClick(bool checked);
  void ShadowCopyCheckBoxClick(bool checked);
  void EndRun(const JobOutcome& outcome, const WindowJobObserver& observer);
  void GiveBackMainWindow();

  DesktopSession& session_;
  QWidget& mainWindow_;
  WindowTranslator* translator_ = nullptr;

  CloneSelection selection_;
  bool stopped_ = false;
  bool running_ = false;
  OperationMemo memoLines_;
  QString ownCaption_;  // the translated caption, shown again after a minimised run

  ShadowFrame* background_ = nullptr;
  QLabel* scourceLabel_ = nullptr;
  QLabel* sourcedriveLabel_ = nullptr;
  QLabel* destLabel_ = nullptr;
  QLabel* destinationDriveLabel_ = nullptr;
  QGroupBox* tntGroupBox2_ = nullptr;
  QCheckBox* logFileCheckBox_ = nullptr;
  QCheckBox* shadowCopyCheckBox_ = nullptr;
  QLabel* tntLabel1_ = nullptr;
  QLabel* bytesRemainingLabel2_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  GradientProgressBar* progressBar_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  LabelButton* regOKLabel_ = nullptr;
  LabelButton* regCancelLabel_ = nullptr;
};

}  // namespace drivecopy
