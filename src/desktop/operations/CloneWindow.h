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

// The clone window: source and destination descriptions, the log option, one
// progress bar and the memo of every set-up and run since the program
// started (never cleared, so the clone log holds them all). It owns the clone
// selection that the main window's lists consult to leave the source out; the
// clone set-up records the source and the destination in it and shows the
// window once both are chosen. While it is shown the main window is hidden
// and disabled; closing it brings the main window back. Always on top.
//
// Start runs the clone job (it asks the overwrite question first); the boxes
// are disabled meanwhile, and a stopped run's end step (closing line, log)
// still runs. With "Verify after writing" ticked (the box is cleared whenever
// the window is shown) a finished copy is read back and compared with the
// source on the same progress bar, before the log is saved. The window stays
// open afterwards with Start enabled.
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
  QLabel& SourceLabel() { return *sourceLabel_; }
  QLabel& DestinationLabel() { return *destinationLabel_; }

  // Everything a run needs, as the window holds it now.
  CloneParameters JobParameters() const;

  // --- what a running job uses ---
  GradientProgressBar& ProgressBar() { return *progressBar_; }
  QLabel& BytesRemainingLabel() { return *bytesRemainingValue_; }
  // Speed and time left of a running job, beside the bytes remaining; empty when idle.
  QLabel& SpeedLabel() { return *speedLabel_; }
  QCheckBox& ShadowCopyBox() { return *shadowCopyBox_; }

  // Abort also forgets the selection.
  void AbortClick() override;

 signals:
  // The clock time (the system's long time format) at which the user let a
  // run go, once it went past its checks; the main window's page notes it.
  void copyLetGo(const QString& clockTime);

 protected:
  void PrepareOwnControls() override;
  // Nothing to copy until the set-up has chosen both ends.
  bool ReadyToStart() const override;
  void BeginRun() override;
  JobWindowControls JobControls() override;
  JobOutcome RunJob(WindowJobObserver& observer) override;
  bool EndRun(const JobOutcome& outcome, const WindowJobObserver& observer) override;
  QString OwnCaption() const override { return ownCaption_; }
  // Unless minimised: the main window's caption as UpdateCaptions sets it,
  // and this window's own caption back.
  void RefreshCaptions() override;

 private:
  void BuildControls();
  void UpdateCaptions();
  void LogFileBoxToggled(bool checked);
  void SetBoxesEnabled(bool enabled);
  QString MainWindowCaption() const;

  CloneSelection selection_;
  QString ownCaption_;  // the translated caption, shown again after a minimised run

  QLabel* sourceCaption_ = nullptr;
  QLabel* sourceLabel_ = nullptr;
  QLabel* destinationCaption_ = nullptr;
  QLabel* destinationLabel_ = nullptr;
  QGroupBox* generalGroup_ = nullptr;
  QCheckBox* logFileBox_ = nullptr;
  QCheckBox* shadowCopyBox_ = nullptr;
  QCheckBox* verifyBox_ = nullptr;
  QLabel* bytesRemainingCaption_ = nullptr;
  QLabel* bytesRemainingValue_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  GradientProgressBar* progressBar_ = nullptr;
};

}  // namespace drivecopy
