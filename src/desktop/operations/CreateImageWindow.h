#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "desktop/operations/OperationWindow.h"
#include "image/ImageHeader.h"
#include "jobs/CreateImageJob.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace drivecopy {

class FileDialogSettings;
class GradientProgressBar;

// The create-image window: the source, the image path, the options, two
// progress bars and labels, and the memo that becomes the log. It is created
// once, hidden, and shown by the create-image set-up for each job; while it is
// shown the main window is hidden and disabled, and closing it (Abort, the
// title bar, or the job's end) brings the main window back.
//
// Start runs the create-image job; the path and the options are disabled
// meanwhile. A finished or stopped run hands its memo to the main window's
// page (runEnded) and closes the window; a run that failed or was refused
// leaves it open and usable.
class CreateImageWindow : public OperationWindow {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 425;
  static constexpr int ClientHeight = 470;

  CreateImageWindow(DesktopSession& session, QWidget& mainWindow);

  // --- job parameters, given by the set-up before the window is shown ---
  void SetSource(const std::string& devicePath, std::uint8_t kind, std::int64_t firstSector,
                 std::int64_t endSector);
  ImageHeader& Header() { return header_; }
  const ImageHeader& Header() const { return header_; }
  const std::string& DevicePath() const { return devicePath_; }
  std::uint8_t DeviceKind() const { return deviceKind_; }
  std::int64_t FirstSector() const { return firstSector_; }
  std::int64_t EndSector() const { return endSector_; }
  // The source description (top line) and the image path.
  QLabel& SourceLabel() { return *sourceLabel_; }
  QLineEdit& ImagePathEdit() { return *imagePathEdit_; }

  // The save dialog "Save Disk Image" (*.img); it opens with the name it
  // returned last. nullopt when the user cancels.
  std::optional<QString> AskImagePath();

  // Everything a run needs, read from the fields and the controls now.
  CreateImageParameters JobParameters() const;

  // --- what a running job uses ---
  GradientProgressBar& MainBar() { return *mainBar_; }
  GradientProgressBar& BufferBar() { return *bufferBar_; }
  QLabel& BytesRemainingLabel() { return *bytesRemainingValue_; }
  QLabel& FileSizeValueLabel() { return *fileSizeValue_; }
  // Speed and time left of a running job, beside the bytes remaining; empty when idle.
  QLabel& SpeedLabel() { return *speedLabel_; }

  // Abort also offers the options again.
  void AbortClick() override;
  // The folder button: the save dialog, and a question before an existing
  // file is taken.
  void FolderButtonClick();

 signals:
  // A finished or stopped run's memo, which the main window's page keeps in
  // view in place of what it showed.
  void runEnded(const QString& memoText);

 protected:
  void PrepareOwnControls() override;
  void BeginRun() override;
  JobWindowControls JobControls() override;
  JobOutcome RunJob(WindowJobObserver& observer) override;
  bool EndRun(const JobOutcome& outcome, const WindowJobObserver& observer) override;
  QString OwnCaption() const override;

 private:
  void BuildControls();
  void UpdateCaptions();
  void LogFileBoxToggled(bool checked);
  void VirtualBoxToggled(bool checked);
  void ValidPartitionsBoxToggled(bool checked);
  void SetOptionsEnabled(bool enabled);
  // "Read only valid partitions" is offered for whole devices only.
  bool SourceIsWholeDevice() const;

  std::string devicePath_;
  std::uint8_t deviceKind_ = 0;
  std::int64_t firstSector_ = 0;
  std::int64_t endSector_ = 0;
  ImageHeader header_;
  FileDialogSettings* saveDialog_ = nullptr;

  QLabel* sourceLabel_ = nullptr;
  QLineEdit* imagePathEdit_ = nullptr;
  QPushButton* folderButton_ = nullptr;
  QGroupBox* compressionGroup_ = nullptr;
  QRadioButton* lowCompression_ = nullptr;
  QRadioButton* mediumCompression_ = nullptr;
  QRadioButton* highCompression_ = nullptr;
  QRadioButton* noCompression_ = nullptr;
  QRadioButton* rawImage_ = nullptr;
  QGroupBox* generalGroup_ = nullptr;
  QCheckBox* logFileBox_ = nullptr;
  QCheckBox* virtualBox_ = nullptr;
  QCheckBox* validPartitionsBox_ = nullptr;
  QCheckBox* shadowCopyBox_ = nullptr;
  QSpinBox* retriesSpin_ = nullptr;
  QLabel* retriesLabel_ = nullptr;
  QLabel* bytesRemainingCaption_ = nullptr;
  QLabel* bytesRemainingValue_ = nullptr;
  QLabel* fileSizeCaption_ = nullptr;
  QLabel* fileSizeValue_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  GradientProgressBar* bufferBar_ = nullptr;
  GradientProgressBar* mainBar_ = nullptr;
};

}  // namespace drivecopy
