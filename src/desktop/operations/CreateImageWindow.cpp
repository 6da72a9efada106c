#include "desktop/operations/CreateImageWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/shared/FileDialogSettings.h"
#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"
#include "jobs/CreateImageSetup.h"
#include "jobs/LogFileNames.h"
#include "platform/KindTags.h"
#include "platform/Units.h"
#include "text/FillPlaceholders.h"
#include "text/SizeText.h"

namespace drivecopy {

namespace {

// Design positions of the General group and its two visible boxes; showing
// the window widens the group over the hidden compression group and spreads
// the boxes into the space of the hidden "Read only valid partitions".
constexpr int kGroupTop = 86;
constexpr int kGroupHeight = 102;
constexpr int kCompressionLeft = 25;
constexpr int kCompressionWidth = 181;
constexpr int kGeneralLeft = 212;
constexpr int kGeneralWidth = 189;
constexpr int kLogFileTop = 21;
constexpr int kVirtualTop = 43;
constexpr int kBoxLeft = 10;
constexpr int kBoxWidth = 170;
constexpr int kBoxHeight = 17;

QRadioButton* MakeRadio(QWidget& parent, const char* name, const QString& caption, int left, int top) {
  auto* button = new QRadioButton(caption, &parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(left, top, 80, 19);
  return button;
}

}  // namespace

CreateImageWindow::CreateImageWindow(DesktopSession& session, QWidget& mainWindow)
    : OperationWindow(session, mainWindow, OperationWindowFlags()) {
  setObjectName(QStringLiteral("CreateImgForm"));
  BuildControls();
  LinkTranslator("TCreateImgForm", 2);
  mainBar_->SetMaximum(100);
  mainBar_->SetPosition(0);
  bufferBar_->SetMaximum(100);
  bufferBar_->SetPosition(0);
  UpdateCaptions();
}

void CreateImageWindow::BuildControls() {
  QWidget& page = BuildBackground(ClientWidth, ClientHeight, QStringLiteral("Create Disk Image"));
  const int contentWidth = ClientWidth - 2 * kCompressionLeft + 1;  // 376: x 25 to 401

  sourceLabel_ = MakeLabel(page, "HarddriveLabel", QStringLiteral("Source drive:"),
                           QRect(25, 14, contentWidth, 34), Qt::AlignLeft | Qt::AlignTop);
  imagePathEdit_ = new QLineEdit(&page);
  imagePathEdit_->setObjectName(QStringLiteral("TempPathEdit"));
  imagePathEdit_->setGeometry(25, 55, contentWidth - 32, 22);
  folderButton_ = new QPushButton(&page);
  folderButton_->setObjectName(QStringLiteral("openfile"));
  folderButton_->setIcon(QIcon(artwork::FolderImage()));
  folderButton_->setIconSize(artwork::FolderImage().size());
  folderButton_->setGeometry(25 + contentWidth - 28, 54, 28, 24);
  folderButton_->setFlat(true);
  folderButton_->setCursor(Qt::PointingHandCursor);

  compressionGroup_ = new QGroupBox(QStringLiteral("Compression Level"), &page);
  compressionGroup_->setObjectName(QStringLiteral("CompressionGroupBox"));
  compressionGroup_->setGeometry(kCompressionLeft, kGroupTop, kCompressionWidth, kGroupHeight);
  lowCompression_ = MakeRadio(*compressionGroup_, "LowButton", QStringLiteral("Low"), 12, 20);
  mediumCompression_ = MakeRadio(*compressionGroup_, "MediumButton", QStringLiteral("Medium"), 12, 42);
  highCompression_ = MakeRadio(*compressionGroup_, "HighButton", QStringLiteral("High"), 12, 64);
  noCompression_ = MakeRadio(*compressionGroup_, "NoneButton", QStringLiteral("None"), 95, 20);
  rawImage_ = MakeRadio(*compressionGroup_, "RAWButton", QStringLiteral("Raw"), 95, 42);
  mediumCompression_->setChecked(true);

  generalGroup_ = new QGroupBox(QStringLiteral("General"), &page);
  generalGroup_->setObjectName(QStringLiteral("GeneralGroupBox"));
  generalGroup_->setGeometry(kGeneralLeft, kGroupTop, kGeneralWidth, kGroupHeight);
  QGroupBox& general = *generalGroup_;
  logFileBox_ = MakeCheckBox(general, "LogFileCheckBox", QStringLiteral("Write log file"),
                             QRect(kBoxLeft, kLogFileTop, kBoxWidth, kBoxHeight));
  virtualBox_ = MakeCheckBox(general, "VirtuellCheckBox", QStringLiteral("Virtual (dont write)"),
                             QRect(kBoxLeft, kVirtualTop, kBoxWidth, kBoxHeight));
  validPartitionsBox_ =
      MakeCheckBox(general, "LastPartitionSectorCheckBox", QStringLiteral("Read only valid partitions"),
                   QRect(kBoxLeft, 65, kBoxWidth, kBoxHeight));
  // Beside the two visible boxes once the group has been widened; never shown.
  shadowCopyBox_ = MakeCheckBox(general, "ShadowCopyCheckBox", QStringLiteral("Shadow Copy Service"),
                                QRect(200, 31, 161, kBoxHeight));
  shadowCopyBox_->setVisible(false);
  // The read retries: kept hidden, they have no effect.
  retriesLabel_ = MakeLabel(general, "RetriesLabel", QStringLiteral("Retries:"), QRect(200, 66, 60, 16));
  retriesSpin_ = new QSpinBox(&general);
  retriesSpin_->setObjectName(QStringLiteral("SpinEdit1"));
  retriesSpin_->setRange(1, 10);
  retriesSpin_->setValue(1);
  retriesSpin_->setGeometry(262, 63, 44, 21);
  // Changed by its arrows only.
  if (auto* text = retriesSpin_->findChild<QLineEdit*>()) text->setReadOnly(true);

  bytesRemainingCaption_ =
      MakeLabel(page, "TntLabel1", QStringLiteral("Bytes Remaining:"), QRect(25, 212, 105, 16));
  // The count shares its row with the speed, which ends at the memo's right edge.
  bytesRemainingValue_ = MakeLabel(page, "BytesRemainingLabel2", QString(), QRect(132, 212, 112, 16));
  speedLabel_ =
      MakeLabel(page, "SpeedLabel", QString(), QRect(246, 212, 155, 16), Qt::AlignRight | Qt::AlignVCenter);
  // The wording of the time left in the design language (English); the table translates it.
  speedLabel_->setProperty("TimeLeftText", QStringLiteral("%s left"));
  fileSizeCaption_ = MakeLabel(page, "FileSizeLabel", QStringLiteral("File size:"), QRect(25, 234, 105, 16));
  fileSizeValue_ = MakeLabel(page, "FileSizeLabel2", QString(), QRect(132, 234, 269, 16));

  // The bars lie between the progress labels and the memo, as wide as the memo.
  bufferBar_ = new GradientProgressBar(GradientProgressBar::ColourScheme::Grass, &page);
  bufferBar_->setObjectName(QStringLiteral("BufferBar"));
  bufferBar_->setGeometry(25, 265, contentWidth, 270 - 265);
  mainBar_ = new GradientProgressBar(GradientProgressBar::ColourScheme::Sky, &page);
  mainBar_->setObjectName(QStringLiteral("MainBar"));
  mainBar_->setGeometry(25, 273, contentWidth, 293 - 273);

  memo_ = MakeOperationMemoView(page, QStringLiteral("CreateImageMemo"), true);
  memo_->setGeometry(25, 303, contentWidth, 115);

  // The save dialog's settings, which the translation table sets by name.
  saveDialog_ = new FileDialogSettings(QStringLiteral("SaveImgDialog"), QStringLiteral("Save Disk Image"),
                                       QStringLiteral("Image files (*.img)|*.img| All Files (*.*)|*.*"),
                                       QStringLiteral("img"), this);

  BuildCommandLabels(page, 231, 431, QStringLiteral("&Abort"), CommandHover::ColourAndHand);

  connect(folderButton_, &QPushButton::clicked, this, &CreateImageWindow::FolderButtonClick);
  // A box changed from code runs its handler too, as a click would.
  connect(logFileBox_, &QCheckBox::toggled, this, &CreateImageWindow::LogFileBoxToggled);
  connect(virtualBox_, &QCheckBox::toggled, this, &CreateImageWindow::VirtualBoxToggled);
  connect(validPartitionsBox_, &QCheckBox::toggled, this, &CreateImageWindow::ValidPartitionsBoxToggled);
  connect(shadowCopyBox_, &QCheckBox::toggled, this, &CreateImageWindow::ShadowCopyBoxToggled);
}

void CreateImageWindow::UpdateCaptions() {
  const MessageTexts& texts = session_.texts;
  setWindowTitle(Q(texts.strScreateImageTitle));
  abortLabel_->setText(Q(texts.strSAbort));
  startLabel_->setText(Q(texts.strSStart));
  sourceLabel_->setText(Q(texts.strSSourceDrive));
  compressionGroup_->setTitle(Q(texts.strSCompression));
  generalGroup_->setTitle(Q(texts.strSGeneral));
  lowCompression_->setText(Q(texts.strSCompressionLow));
  highCompression_->setText(Q(texts.strSCompressionHigh));
  mediumCompression_->setText(Q(texts.strSCompressionMedium));
  noCompression_->setText(Q(texts.strSCompressionNone));
  logFileBox_->setText(Q(texts.strSLogfileCaption));
  virtualBox_->setText(Q(texts.strSVirtuellCaption));
  validPartitionsBox_->setText(Q(texts.strSLastPartitionSectorCaption));
  shadowCopyBox_->setText(Q(texts.strSShadowCopyCaption));
  bytesRemainingCaption_->setText(Q(texts.strSRemainingBytesLabel));
  fileSizeCaption_->setText(Q(texts.strSFileSizeLabel));
  AlignValueColumn({{bytesRemainingCaption_, bytesRemainingValue_}, {fileSizeCaption_, fileSizeValue_}}, 132);
}

QString CreateImageWindow::OwnCaption() const { return Q(session_.texts.strScreateImageTitle); }

void CreateImageWindow::SetSource(const std::string& devicePath, std::uint8_t kind, std::int64_t firstSector,
                                  std::int64_t endSector) {
  devicePath_ = devicePath;
  deviceKind_ = kind;
  firstSector_ = firstSector;
  endSector_ = endSector;
}

bool CreateImageWindow::SourceIsWholeDevice() const {
  return deviceKind_ != KindPartition && deviceKind_ != KindFixedVolume && deviceKind_ != KindRemovableVolume;
}

std::optional<QString> CreateImageWindow::AskImagePath() {
  std::optional<QString> chosen = session_.prompts.ChooseSaveFile(this, saveDialog_->Choice());
  if (chosen) saveDialog_->RememberPath(*chosen);
  return chosen;
}

CreateImageParameters CreateImageWindow::JobParameters() const {
  CreateImageParameters parameters;
  parameters.DevicePath = devicePath_;
  parameters.DeviceKind = deviceKind_;
  parameters.FirstSector = firstSector_;
  parameters.EndSector = endSector_;
  parameters.Header = header_;
  parameters.ImagePath = imagePathEdit_->text().toStdString();
  parameters.Raw = rawImage_->isChecked();
  if (lowCompression_->isChecked()) {
    parameters.Level = CompressionLevel::Low;
  } else if (highCompression_->isChecked()) {
    parameters.Level = CompressionLevel::High;
  } else if (noCompression_->isChecked()) {
    parameters.Level = CompressionLevel::None;
  } else {
    parameters.Level = CompressionLevel::Medium;
  }
  parameters.Virtual = virtualBox_->isChecked();
  parameters.WriteLog = logFileBox_->isChecked();
  parameters.DecimalSeparator = UserDecimalSeparator();
  return parameters;
}

void CreateImageWindow::BeginRun() {
  SetOptionsEnabled(false);
  imagePathEdit_->setEnabled(false);
  compressionGroup_->setEnabled(false);
  speedLabel_->clear();
}

JobWindowControls CreateImageWindow::JobControls() {
  JobWindowControls controls;
  controls.Window = this;
  controls.Memo = memo_;
  controls.MainBar = mainBar_;
  controls.BufferBar = bufferBar_;
  controls.BytesRemaining = bytesRemainingValue_;
  controls.FileSize = fileSizeValue_;
  controls.Speed = speedLabel_;
  return controls;
}

JobOutcome CreateImageWindow::RunJob(WindowJobObserver& observer) {
  return RunCreateImageJob(session_.platform, session_.texts, JobParameters(), memoLines_, observer);
}

bool CreateImageWindow::EndRun(const JobOutcome& outcome, const WindowJobObserver&) {
  speedLabel_->clear();
  SetOptionsEnabled(true);
  imagePathEdit_->setEnabled(true);
  compressionGroup_->setEnabled(true);
  // The hidden box is offered for whole devices only, as showing left it.
  validPartitionsBox_->setEnabled(SourceIsWholeDevice());

  switch (outcome.Status) {
    case JobStatus::Finished:
    case JobStatus::FinishedWithProblems:
    case JobStatus::Stopped:
      // The run's account stays in view on the main window's page.
      emit runEnded(memo_->toPlainText());
      return true;
    case JobStatus::Failed:
    case JobStatus::NotStarted:
      break;
  }
  // Failed or refused: the error box has been shown and the memo keeps the
  // cause; the window stays ready for another try.
  return false;
}

void CreateImageWindow::AbortClick() {
  SetOptionsEnabled(true);
  OperationWindow::AbortClick();
}

void CreateImageWindow::SetOptionsEnabled(bool enabled) {
  startLabel_->setEnabled(enabled);
  folderButton_->setEnabled(enabled);
  for (QCheckBox* box : {logFileBox_, virtualBox_, validPartitionsBox_, shadowCopyBox_})
    box->setEnabled(enabled);
  for (QRadioButton* button :
       {lowCompression_, mediumCompression_, highCompression_, noCompression_, rawImage_})
    button->setEnabled(enabled);
}

void CreateImageWindow::FolderButtonClick() {
  const std::optional<QString> chosen = AskImagePath();
  if (!chosen || chosen->isEmpty()) return;
  if (session_.platform.FileExists(chosen->toStdString())) {
    const QString question = Q(FillPlaceholders(session_.texts.strSFileExist, {chosen->toStdString()}));
    const DialogButton answer = session_.prompts.AskMessage(this, DialogType::Confirmation, question,
                                                            {DialogButton::Yes, DialogButton::No});
    if (answer != DialogButton::Yes) return;
  }
  imagePathEdit_->setText(*chosen);
}

void CreateImageWindow::LogFileBoxToggled(bool checked) {
  const MessageTexts& texts = session_.texts;
  AppendMemoLine(checked ? CreateImageLogAnnouncement(texts, imagePathEdit_->text().toStdString())
                         : texts.strSdontWriteLogfile);
}

void CreateImageWindow::VirtualBoxToggled(bool checked) {
  const MessageTexts& texts = session_.texts;
  AppendMemoLine(checked ? texts.strSVirtualNoWrite : texts.strSVirtualWrite);
}

void CreateImageWindow::ValidPartitionsBoxToggled(bool checked) {
  const MessageTexts& texts = session_.texts;
  const char point = UserDecimalSeparator();
  // A drive without listed partitions keeps its whole range: ending at its
  // LastSector of 0 would make an image of nothing.
  endSector_ = ValidPartitionsEnd(header_, checked);
  if (checked) {
    AppendMemoLine(FillPlaceholders(
        texts.strSOnlytoLastPartitionSector,
        {SizeText((endSector_ - firstSector_) * BytesPerSector, point), std::to_string(endSector_)}));
  } else {
    AppendMemoLine(FillPlaceholders(texts.strSCompleteSeletedDrive,
                                    {SizeText(header_.SectorCount * BytesPerSector, point)}));
  }
}

void CreateImageWindow::PrepareOwnControls() {
  // Images made here are raw; the General group takes the freed space.
  compressionGroup_->setVisible(false);
  rawImage_->setChecked(true);
  generalGroup_->setGeometry(kCompressionLeft, kGroupTop, kGeneralWidth + (kGeneralLeft - kCompressionLeft),
                             kGroupHeight);
  // The two visible boxes spread over the group. Placed from their design
  // tops, so that showing the window again never moves them further.
  validPartitionsBox_->setVisible(false);
  retriesSpin_->setVisible(false);
  retriesLabel_->setVisible(false);
  logFileBox_->move(kBoxLeft, kLogFileTop + 10);
  virtualBox_->move(kBoxLeft, kVirtualTop + 20);
  retriesSpin_->setValue(1);
  memo_->clear();
  memoLines_.Clear();

  logFileBox_->setEnabled(true);
  shadowCopyBox_->setEnabled(true);
  virtualBox_->setEnabled(true);
  folderButton_->setEnabled(true);
  imagePathEdit_->setEnabled(true);
  validPartitionsBox_->setEnabled(SourceIsWholeDevice());
  validPartitionsBox_->setChecked(false);

  bytesRemainingValue_->clear();
  fileSizeValue_->clear();
  speedLabel_->clear();
  mainBar_->SetMaximum(100);
  mainBar_->SetPosition(0);
  bufferBar_->SetPosition(0);
  // Ticking or clearing the box runs its handler, as a click would.
  shadowCopyBox_->setChecked(ShadowCopyServiceRunning());
  AppendMemoLine(session_.texts.strSSourceDrive + ": " + sourceLabel_->text().toStdString());
}

}  // namespace drivecopy
