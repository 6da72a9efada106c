#pragma once
#include <QString>
#include <cstdint>
#include <string>

#include "desktop/operations/OperationWindow.h"
#include "jobs/RestoreImageJob.h"

class QLabel;

namespace drivecopy {

class GradientProgressBar;
class LabelButton;

// The restore-image window: the destination, one progress bar and the memo
// of the runs. Created once, hidden; the restore set-up writes the
// destination description into HarddriveLabel, calls SetRestoreParameters,
// gives it the image file name and shows it. While it is shown the main
// window is hidden and disabled; closing it brings the main window back.
// Its memo is never cleared, so lines of earlier runs stay.
class RestoreImageWindow : public OperationWindow {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 425;
  static constexpr int ClientHeight = 393;

  RestoreImageWindow(DesktopSession& session, QWidget& mainWindow);

  // --- job parameters, given by the set-up before the window is shown ---
  void SetRestoreParameters(const std::string& devicePath, std::int64_t firstSector, std::int64_t endSector);
  void SetImageFileName(const QString& imageFileName) { imageFileName_ = imageFileName; }
  const QString& ImageFileName() const { return imageFileName_; }
  const std::string& DevicePath() const { return devicePath_; }
  std::int64_t FirstSector() const { return firstSector_; }
  std::int64_t EndSector() const { return endSector_; }
  // The destination description, also named in the overwrite question.
  QLabel& HarddriveLabel() { return *harddriveLabel_; }

  // Everything a run needs, as the window holds it now.
  RestoreImageParameters JobParameters() const;

  // --- what a running job uses ---
  GradientProgressBar& ProgressBar() { return *progressBar_; }
  LabelButton& StartLabel() { return *regOKLabel_; }

 public slots:
  // Start: runs the restore job inside the click (it asks the overwrite
  // question first). Start is disabled meanwhile; Cancel and closing the
  // window stop it after the block in progress. A finished or stopped run
  // closes the window; a run that left unwritable sectors keeps it open so
  // that their memo lines stay in view; a run that failed or was refused
  // keeps it open and usable, the cause in an error box and in the memo.
  void RegOKLabelClick();
  void RegCancelLabelClick();

 protected:
  void FormShow() override;
  void OnPaint() override { TntFormPaint(); }

 private:
  void BuildControls();
  void FormCreate();
  // The window's own caption comes back when it is restored or painted.
  void TntFormPaint();
  void EndRun(const JobOutcome& outcome);

  std::string devicePath_;
  std::int64_t firstSector_ = 0;
  std::int64_t endSector_ = 0;
  QString imageFileName_;

  QLabel* tntLabel2_ = nullptr;
  QLabel* harddriveLabel_ = nullptr;
  QLabel* tntLabel1_ = nullptr;
  GradientProgressBar* progressBar_ = nullptr;
  LabelButton* regOKLabel_ = nullptr;
  LabelButton* regCancelLabel_ = nullptr;
};

}  // namespace drivecopy
