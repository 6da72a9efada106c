#pragma once
#include <QString>
#include <string>

#include "desktop/operations/OperationWindow.h"
#include "jobs/CloneJob.h"
#include "jobs/CloneSetup.h"

class QCheckBox;
class QGroupBox;
class QLabel;

namespace drivecopy {

class GradientProgressBar;
class LabelButton;
class WindowJobObserver;

// The clone window: source and destination descriptions, the log option, one
// progress bar and the memo of every set-up and run since the program
// started (never cleared, so the clone log holds them all). It owns the clone
// selection that the main window's lists consult to leave the source out; the
// clone set-up records the source and the destination in it and shows the
// window once both are chosen. While it is shown the main window is hidden
// and disabled; closing it brings the main window back. Always on top.
class CloneWindow : public OperationWindow {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 426;
  static constexpr int ClientHeight = 480;

  CloneWindow(DesktopSession& session, QWidget& mainWindow);

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
  GradientProgressBar& ProgressBar() { return *progressBar_; }
  QLabel& BytesRemainingLabel() { return *bytesRemainingLabel2_; }
  // Speed and time left of a running job, beside the bytes remaining; empty when idle.
  QLabel& SpeedLabel() { return *speedLabel_; }
  LabelButton& StartLabel() { return *regOKLabel_; }
  QCheckBox& ShadowCopyCheckBox() { return *shadowCopyCheckBox_; }

 public slots:
  // Start: runs the clone job inside the click (it asks the overwrite
  // question first). Start and the boxes are disabled meanwhile; Cancel and
  // closing the window stop it after the block in progress, and its end step
  // (closing line, log) still runs. The window stays open afterwards with
  // Start enabled; the start time goes to the main window's memo.
  void RegOKLabelClick();
  void RegCancelLabelClick();

 protected:
  void FormShow() override;
  void OnPaint() override { FormPaint(); }

 private:
  void BuildControls();
  void FormCreate();
  void UpdateCaptions();
  // Unless minimised: the main window's caption as UpdateCaptions sets it,
  // and this window's own caption back.
  void FormPaint();
  void LogFileCheckBoxClick(bool checked);
  void ShadowCopyCheckBoxClick(bool checked);
  void EndRun(const JobOutcome& outcome, const WindowJobObserver& observer);

  CloneSelection selection_;
  QString ownCaption_;  // the translated caption, shown again after a minimised run

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
  LabelButton* regOKLabel_ = nullptr;
  LabelButton* regCancelLabel_ = nullptr;
};

}  // namespace drivecopy
