#pragma once
#include <QString>
#include <cstdint>
#include <string>

#include "desktop/operations/OperationWindow.h"
#include "jobs/RestoreImageJob.h"

class QCheckBox;
class QLabel;

namespace drivecopy {

class GradientProgressBar;

// The restore-image window: the destination, one progress bar and the memo
// of the runs. Created once, hidden; the restore set-up writes the
// destination description into DestinationLabel, calls SetRestoreParameters,
// gives it the image file name and shows it. While it is shown the main
// window is hidden and disabled; closing it brings the main window back.
// Its memo is never cleared, so lines of earlier runs stay.
//
// Start runs the restore job (it asks the overwrite question first). A
// finished or stopped run closes the window; a run that left unwritable
// sectors keeps it open so that their memo lines stay in view; a run that
// failed or was refused keeps it open and usable. With "Verify after writing"
// ticked (the box is cleared whenever the window is shown) a finished run is
// read back and compared with the image on the same progress bar, and the
// window stays open so that the verification's result stays in view.
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
  QLabel& DestinationLabel() { return *destinationLabel_; }

  // Everything a run needs, as the window holds it now.
  RestoreImageParameters JobParameters() const;

  // --- what a running job uses ---
  GradientProgressBar& ProgressBar() { return *progressBar_; }

 protected:
  void PrepareOwnControls() override;
  void BeginRun() override;
  JobWindowControls JobControls() override;
  JobOutcome RunJob(WindowJobObserver& observer) override;
  bool EndRun(const JobOutcome& outcome, const WindowJobObserver& observer) override;
  QString OwnCaption() const override;

 private:
  void BuildControls();

  std::string devicePath_;
  std::int64_t firstSector_ = 0;
  std::int64_t endSector_ = 0;
  QString imageFileName_;

  QLabel* destinationCaption_ = nullptr;
  QLabel* destinationLabel_ = nullptr;
  QCheckBox* verifyBox_ = nullptr;
  QLabel* bytesRemainingCaption_ = nullptr;
  GradientProgressBar* progressBar_ = nullptr;
};

}  // namespace drivecopy
