#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "jobs/CreateImageJob.h"
#include "image/ImageHeader.h"
#include "desktop/operations/OperationWindow.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace drivecopy {

class GradientProgressBar;
class LabelButton;

// The create-image window: the source, the image path, the options, two
// progress bars and labels, and the memo that becomes the log. It is created
// once, hidden, and shown by the create-image set-up for each job; while it is
// shown the main window is hidden and disabled, and closing it (Cancel, the
// title bar, or the job's end) brings the main window back.
class CreateImageWindow : public OperationWindow {
  Q_OBJECT
 public:
  static constexpr int ClientWidth = 425;
  static constexpr int ClientHeight = 470;

  CreateImageWindow(DesktopSession& session, QWidget& mainWindow);

  // --- job parameters, given by the set-up before the window is shown ---
  // Stores DevicePath, DeviceKind, FirstSector and EndSector.
  void SetSource(const std::string& devicePath, std::uint8_t kind, std::int64_t firstSector,
                 std::int64_t endSector);
  ImageHeader& Header() { return header_; }
  const ImageHeader& Header() const { return header_; }
  const std::string& DevicePath() const { return devicePath_; }
  std::uint8_t DeviceKind() const { return deviceKind_; }
  std::int64_t FirstSector() const { return firstSector_; }
  std::int64_t EndSector() const { return endSector_; }
  // The source description (top line) and the image path.
  QLabel& HarddriveLabel() { return *harddriveLabel_; }
  QLineEdit& TempPathEdit() { return *tempPathEdit_; }

  // The save dialog "Save Disk Image" (*.img); it opens with the name it
  // returned last. nullopt when the user cancels.
  std::optional<QString> RunSaveImgDialog();

  // Everything a run needs, read from the fields and the controls now.
  CreateImageParameters JobParameters() const;

  // --- what a running job uses ---
  GradientProgressBar& MainBar() { return *mainBar_; }
  GradientProgressBar& BufferBar() { return *bufferBar_; }
  QLabel& BytesRemainingLabel() { return *bytesRemainingLabel2_; }
  QLabel& FileSizeValueLabel() { return *fileSizeLabel2_; }
  // Speed and time left of a running job, beside the bytes remaining; empty when idle.
  QLabel& SpeedLabel() { return *speedLabel_; }

 public slots:
  // Start: runs the create-image job inside the click. Start, the path and
  // the options are disabled meanwhile; Cancel and closing the window set
  // Stopped, and the job ends after the block in progress. A finished or
  // stopped run copies the memo to the main window's memo and closes the
  // window; a run that failed or was refused leaves it open and usable, the
  // cause in an error box and in the memo.
  void RegOKLabelClick();
  void RegCancelLabelClick();
  void DIBImage1Click();

 protected:
  void FormShow() override;
  void OnPaint() override { TntFormPaint(); }

 private:
  void BuildControls();
  void FormCreate();
  void UpdateCaptions();
  // The normal caption comes back when the window is restored or painted.
  void TntFormPaint();
  void LogFileCheckBoxClick(bool checked);
  void VirtuellCheckBoxClick(bool checked);
  void LastPartitionSectorCheckBoxClick(bool checked);
  void ShadowCopyCheckBoxClick(bool checked);
  void SetOptionsEnabled(bool enabled);
  void EndRun(const JobOutcome& outcome);

  std::string devicePath_;
  std::uint8_t deviceKind_ = 0;
  std::int64_t firstSector_ = 0;
  std::int64_t endSector_ = 0;
  ImageHeader header_;
  QString lastSaveName_;
  QObject* saveImgDialog_ = nullptr;  // "SaveImgDialog": Title, Filter, DefaultExt

  QLabel* harddriveLabel_ = nullptr;
  QLineEdit* tempPathEdit_ = nullptr;
  QPushButton* openfile_ = nullptr;
  QGroupBox* compressionGroupBox_ = nullptr;
  QRadioButton* lowButton_ = nullptr;
  QRadioButton* mediumButton_ = nullptr;
  QRadioButton* highButton_ = nullptr;
  QRadioButton* noneButton_ = nullptr;
  QRadioButton* rawButton_ = nullptr;
  QGroupBox* generalGroupBox_ = nullptr;
  QCheckBox* logFileCheckBox_ = nullptr;
  QCheckBox* virtuellCheckBox_ = nullptr;
  QCheckBox* lastPartitionSectorCheckBox_ = nullptr;
  QCheckBox* shadowCopyCheckBox_ = nullptr;
  QSpinBox* spinEdit1_ = nullptr;
  QLabel* retriesLabel_ = nullptr;
  QLabel* tntLabel1_ = nullptr;
  QLabel* bytesRemainingLabel2_ = nullptr;
  QLabel* fileSizeLabel_ = nullptr;
  QLabel* fileSizeLabel2_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  GradientProgressBar* bufferBar_ = nullptr;
  GradientProgressBar* mainBar_ = nullptr;
  LabelButton* regOKLabel_ = nullptr;
  LabelButton* regCancelLabel_ = nullptr;
};

}  // namespace drivecopy
