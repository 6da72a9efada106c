#include "desktop/operations/CreateImageWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "platform/KindTags.h"
#include "jobs/ServiceHandling.h"
#include "text/SizeText.h"
#include "platform/Units.h"
#include "jobs/CreateImageSetup.h"
#include "desktop/operations/OperationWindowParts.h"
#include "jobs/LogFileNames.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"

namespace drivecopy {

namespace {

// The shadow copy service of the platform.
const std::string kShadowCopyService = "VSS";

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
constexpr int kVirtuellTop = 43;
constexpr int kBoxLeft = 10;
constexpr int kBoxWidth = 170;
constexpr int kBoxHeight = 17;

QRadioButton* MakeRadio(QWidget& parent, const char* name, const QString& caption, int left, int top) {
  auto* button = new QRadioButton(caption, &parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(left, top, 80, 19);
  return button;
}

QCheckBox* MakeCheckBox(QWidget& parent, const char* name, const QString& caption, const QRect& bounds) {
  auto* box = new QCheckBox(caption, &parent);
  box->setObjectName(QLatin1String(name));
  box->setGeometry(bounds);
  return box;
}

QLabel* MakeLabel(QWidget& parent, const char* name, const QString& caption, const QRect& bounds) {
  auto* label = new QLabel(caption, &parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(bounds);
  return label;
}

}  // namespace

CreateImageWindow::CreateImageWindow(DesktopSession& session, QWidget& mainWindow)
    : OperationWindow(session, mainWindow, OperationWindowFlags()) {
  setObjectName(QStringLiteral("CreateImgForm"));
  BuildControls();
  LinkTranslator("TCreateImgForm", 2);
  FormCreate();
}

void CreateImageWindow::BuildControls() {
  QWidget& page = BuildBackground(ClientWidth, ClientHeight, QStringLiteral("Create Disk Image"));
  const int contentWidth = ClientWidth - 2 * kCompressionLeft + 1;  // 376: x 25 to 401

  harddriveLabel_ = MakeLabel(page, "HarddriveLabel", QStringLiteral("Source drive:"),
                              QRect(25, 14, contentWidth, 34));
  harddriveLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  tempPathEdit_ = new QLineEdit(&page);
  tempPathEdit_->setObjectName(QStringLiteral("TempPathEdit"));
  tempPathEdit_->setGeometry(25, 55, contentWidth - 32, 22);
  openfile_ = new QPushButton(&page);
  openfile_->setObjectName(QStringLiteral("openfile"));
  openfile_->setIcon(QIcon(artwork::FolderImage()));
  openfile_->setIconSize(artwork::FolderImage().size());
  openfile_->setGeometry(25 + contentWidth - 28, 54, 28, 24);
  openfile_->setFlat(true);
  openfile_->setCursor(Qt::PointingHandCursor);

  compressionGroupBox_ = new QGroupBox(QStringLiteral("Compression Level"), &page);
  compressionGroupBox_->setObjectName(QStringLiteral("CompressionGroupBox"));
  compressionGroupBox_->setGeometry(kCompressionLeft, kGroupTop, kCompressionWidth, kGroupHeight);
  lowButton_ = MakeRadio(*compressionGroupBox_, "LowButton", QStringLiteral("Low"), 12, 20);
  mediumButton_ = MakeRadio(*compressionGroupBox_, "MediumButton", QStringLiteral("Medium"), 12, 42);
  highButton_ = MakeRadio(*compressionGroupBox_, "HighButton", QStringLiteral("High"), 12, 64);
  noneButton_ = MakeRadio(*compressionGroupBox_, "NoneButton", QStringLiteral("None"), 95, 20);
  rawButton_ = MakeRadio(*compressionGroupBox_, "RAWButton", QStringLiteral("Raw"), 95, 42);
  mediumButton_->setChecked(true);

  generalGroupBox_ = new QGroupBox(QStringLiteral("General"), &page);
  generalGroupBox_->setObjectName(QStringLiteral("GeneralGroupBox"));
  generalGroupBox_->setGeometry(kGeneralLeft, kGroupTop, kGeneralWidth, kGroupHeight);
  QGroupBox& general = *generalGroupBox_;
  logFileCheckBox_ = MakeCheckBox(general, "LogFileCheckBox", QStringLiteral("Write log file"),
                                  QRect(kBoxLeft, kLogFileTop, kBoxWidth, kBoxHeight));
  virtuellCheckBox_ = MakeCheckBox(general, "VirtuellCheckBox", QStringLiteral("Virtual (dont write)"),
                                   QRect(kBoxLeft, kVirtuellTop, kBoxWidth, kBoxHeight));
  lastPartitionSectorCheckBox_ =
      MakeCheckBox(general, "LastPartitionSectorCheckBox", QStringLiteral("Read only valid partitions"),
                   QRect(kBoxLeft, 65, kBoxWidth, kBoxHeight));
  // Beside the two visible boxes once the group has been widened; never shown.
  shadowCopyCheckBox_ = MakeCheckBox(general, "ShadowCopyCheckBox", QStringLiteral("Shadow Copy Service"),
                                     QRect(200, 31, 161, kBoxHeight));
  shadowCopyCheckBox_->setVisible(false);
  // The read retries: kept hidden, they have no effect.
  retriesLabel_ = MakeLabel(general, "RetriesLabel", QStringLiteral("Retries:"), QRect(200, 66, 60, 16));
  spinEdit1_ = new QSpinBox(&general);
  spinEdit1_->setObjectName(QStringLiteral("SpinEdit1"));
  spinEdit1_->setRange(1, 10);
  spinEdit1_->setValue(1);
  spinEdit1_->setGeometry(262, 63, 44, 21);
  // Changed by its arrows only.
  if (auto* text = spinEdit1_->findChild<QLineEdit*>()) text->setReadOnly(true);

  tntLabel1_ = MakeLabel(page, "TntLabel1", QStringLiteral("Bytes Remaining:"), QRect(25, 212, 105, 16));
  // The count shares its row with the speed, which ends at the memo's right edge.
  bytesRemainingLabel2_ = MakeLabel(page, "BytesRemainingLabel2", QString(), QRect(132, 212, 112, 16));
  speedLabel_ = MakeLabel(page, "SpeedLabel", QString(), QRect(246, 212, 155, 16));
  // The wording of the time left in the design language (English); the table translates it.
  speedLabel_->setProperty("TimeLeftText", QStringLiteral("%s left"));
  speedLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  fileSizeLabel_ = MakeLabel(page, "FileSizeLabel", QStringLiteral("File size:"), QRect(25, 234, 105, 16));
  fileSizeLabel2_ = MakeLabel(page, "FileSizeLabel2", QString(), QRect(132, 234, 269, 16));

  // The bars lie between the progress labels and the memo, as wide as the memo.
  bufferBar_ = new GradientProgressBar(GradientProgressBar::csGrass, &page);
  bufferBar_->setObjectName(QStringLiteral("BufferBar"));
  bufferBar_->setGeometry(25, 265, contentWidth, 270 - 265);
  mainBar_ = new GradientProgressBar(GradientProgressBar::csSky, &page);
  mainBar_->setObjectName(QStringLiteral("MainBar"));
  mainBar_->setGeometry(25, 273, contentWidth, 293 - 273);

  memo_ = MakeOperationMemoView(page, QStringLiteral("CreateImageMemo"), true);
  memo_->setGeometry(25, 303, contentWidth, 115);

  // The save dialog's settings, which the translation table sets by name.
  saveImgDialog_ = new QObject(this);
  saveImgDialog_->setObjectName(QStringLiteral("SaveImgDialog"));
  saveImgDialog_->setProperty("Title", QStringLiteral("Save Disk Image"));
  saveImgDialog_->setProperty("Filter", QStringLiteral("Image files (*.img)|*.img| All Files (*.*)|*.*"));
  saveImgDialog_->setProperty("DefaultExt", QStringLiteral("img"));

  regOKLabel_ = new LabelButton(QStringLiteral("Start"), &page);
  regOKLabel_->setObjectName(QStringLiteral("RegOKLabel"));
  regOKLabel_->setGeometry(231, 431, 57, 16);
  StyleCommandLabel(*regOKLabel_);
  regCancelLabel_ = new LabelButton(QStringLiteral("&Abort"), &page);
  regCancelLabel_->setObjectName(QStringLiteral("RegCancelLabel"));
  regCancelLabel_->setGeometry(285, 431, 113, 16);
  StyleCommandLabel(*regCancelLabel_);

  connect(regOKLabel_, &LabelButton::clicked, this, &CreateImageWindow::RegOKLabelClick);
  connect(regCancelLabel_, &LabelButton::clicked, this, &CreateImageWindow::RegCancelLabelClick);
  connect(regOKLabel_, &LabelButton::mouseEntered, this,
          [this] { ShowCommandLabelHover(*regOKLabel_, true, !stopped_); });
  connect(regOKLabel_, &LabelButton::mouseLeft, this,
          [this] { ShowCommandLabelHover(*regOKLabel_, false, false); });
  connect(regCancelLabel_, &LabelButton::mouseEntered, this,
          [this] { ShowCommandLabelHover(*regCancelLabel_, true, true); });
  connect(regCancelLabel_, &LabelButton::mouseLeft, this,
          [this] { ShowCommandLabelHover(*regCancelLabel_, false, false); });
  connect(openfile_, &QPushButton::clicked, this, &CreateImageWindow::DIBImage1Click);
  // A box changed from code runs its handler too, as a click would.
  connect(logFileCheckBox_, &QCheckBox::toggled, this, &CreateImageWindow::LogFileCheckBoxClick);
  connect(virtuellCheckBox_, &QCheckBox::toggled, this, &CreateImageWindow::VirtuellCheckBoxClick);
  connect(lastPartitionSectorCheckBox_, &QCheckBox::toggled, this,
          &CreateImageWindow::LastPartitionSectorCheckBoxClick);
  connect(shadowCopyCheckBox_, &QCheckBox::toggled, this, &CreateImageWindow::ShadowCopyCheckBoxClick);
}

void CreateImageWindow::FormCreate() {
  mainBar_->SetMaximum(100);
  mainBar_->SetPosition(0);
  bufferBar_->SetMaximum(100);
  bufferBar_->SetPosition(0);
  stopped_ = false;
  UpdateCaptions();
}

void CreateImageWindow::UpdateCaptions() {
  const MessageTexts& texts = session_.texts;
  setWindowTitle(Q(texts.strScreateImageTitle));
  regCancelLabel_->setText(Q(texts.strSAbort));
  regOKLabel_->setText(Q(texts.strSStart));
  harddriveLabel_->setText(Q(texts.strSSourceDrive));
  compressionGroupBox_->setTitle(Q(texts.strSCompression));
  generalGroupBox_->setTitle(Q(texts.strSGeneral));
  lowButton_->setText(Q(texts.strSCompressionLow));
  highButton_->setText(Q(texts.strSCompressionHigh));
  mediumButton_->setText(Q(texts.strSCompressionMedium));
  noneButton_->setText(Q(texts.strSCompressionNone));
  logFileCheckBox_->setText(Q(texts.strSLogfileCaption));
  virtuellCheckBox_->setText(Q(texts.strSVirtuellCaption));
  lastPartitionSectorCheckBox_->setText(Q(texts.strSLastPartitionSectorCaption));
  shadowCopyCheckBox_->setText(Q(texts.strSShadowCopyCaption));
  tntLabel1_->setText(Q(texts.strSRemainingBytesLabel));
  fileSizeLabel_->setText(Q(texts.strSFileSizeLabel));
  AlignValueColumn({{tntLabel1_, bytesRemainingLabel2_}, {fileSizeLabel_, fileSizeLabel2_}}, 132);
}

void CreateImageWindow::SetSource(const std::string& devicePath, std::uint8_t kind, std::int64_t firstSector,
                               std::int64_t endSector) {
  devicePath_ = devicePath;
  deviceKind_ = kind;
  firstSector_ = firstSector;
  endSector_ = endSector;
}

std::optional<QString> CreateImageWindow::RunSaveImgDialog() {
  FileChoice choice;
  choice.Title = saveImgDialog_->property("Title").toString();
  choice.Filter = saveImgDialog_->property("Filter").toString();
  choice.DefaultExtension = saveImgDialog_->property("DefaultExt").toString();
  choice.InitialPath = lastSaveName_;
  std::optional<QString> chosen = session_.prompts.ChooseSaveFile(this, choice);
  if (chosen) lastSaveName_ = *chosen;
  return chosen;
}

CreateImageParameters CreateImageWindow::JobParameters() const {
  CreateImageParameters parameters;
  parameters.DevicePath = devicePath_;
  parameters.DeviceKind = deviceKind_;
  parameters.FirstSector = firstSector_;
  parameters.EndSector = endSector_;
  parameters.Header = header_;
  parameters.ImagePath = tempPathEdit_->text().toStdString();
  parameters.Raw = rawButton_->isChecked();
  if (lowButton_->isChecked()) {
    parameters.Level = CompressionLevel::Low;
  } else if (highButton_->isChecked()) {
    parameters.Level = CompressionLevel::High;
  } else if (noneButton_->isChecked()) {
    parameters.Level = CompressionLevel::None;
  } else {
    parameters.Level = CompressionLevel::Medium;
  }
  parameters.Virtual = virtuellCheckBox_->isChecked();
  parameters.WriteLog = logFileCheckBox_->isChecked();
  parameters.DecimalSeparator = UserDecimalSeparator();
  return parameters;
}

void CreateImageWindow::RegOKLabelClick() {
  // Start is disabled while a job runs; a click queued before that must not
  // start a second job inside the first one's pumping.
  if (running_) return;
  running_ = true;
  SetOptionsEnabled(false);
  tempPathEdit_->setEnabled(false);
  compressionGroupBox_->setEnabled(false);
  speedLabel_->clear();

  JobWindowControls controls;
  controls.Window = this;
  controls.Memo = memo_;
  controls.MainBar = mainBar_;
  controls.BufferBar = bufferBar_;
  controls.BytesRemaining = bytesRemainingLabel2_;
  controls.FileSize = fileSizeLabel2_;
  controls.Speed = speedLabel_;
  WindowJobObserver observer(session_, controls, [this] { return stopped_; });
  const JobOutcome outcome =
      RunCreateImageJob(session_.platform, session_.texts, JobParameters(), memoLines_, observer);
  EndRun(outcome);
}

void CreateImageWindow::EndRun(const JobOutcome& outcome) {
  running_ = false;
  speedLabel_->clear();
  SetOptionsEnabled(true);
  tempPathEdit_->setEnabled(true);
  compressionGroupBox_->setEnabled(true);
  // The hidden box is offered for whole devices only, as showing left it.
  lastPartitionSectorCheckBox_->setEnabled(deviceKind_ != KindPartition && deviceKind_ != KindFixedVolume &&
                                           deviceKind_ != KindRemovableVolume);

  switch (outcome.Status) {
    case JobStatus::Finished:
    case JobStatus::FinishedWithProblems:
    case JobStatus::Stopped:
      // The run's account stays in view on the main window's page.
      if (auto* pageMemo = mainWindow_.findChild<QPlainTextEdit*>(QStringLiteral("CI_HDDMemo"))) {
        pageMemo->setPlainText(memo_->toPlainText());
      }
      if (isHidden()) {
        GiveBackMainWindow();
      } else {
        close();
      }
      return;
    case JobStatus::Failed:
    case JobStatus::NotStarted:
      break;
  }
  // Failed or refused: the error box has been shown; the memo keeps the cause
  // beside the run's other lines, and the window stays ready for another try.
  const auto& lines = memoLines_.Lines();
  if (!outcome.ErrorText.empty() && (lines.empty() || lines.back() != outcome.ErrorText)) {
    AppendMemoLine(outcome.ErrorText);
  }
  // Closed during the run: the main window was kept away until the run ended.
  if (isHidden()) GiveBackMainWindow();
}

void CreateImageWindow::RegCancelLabelClick() {
  stopped_ = true;
  SetOptionsEnabled(true);
  close();
}

void CreateImageWindow::SetOptionsEnabled(bool enabled) {
  regOKLabel_->setEnabled(enabled);
  openfile_->setEnabled(enabled);
  for (QCheckBox* box :
       {logFileCheckBox_, virtuellCheckBox_, lastPartitionSectorCheckBox_, shadowCopyCheckBox_}) {
    box->setEnabled(enabled);
  }
  for (QRadioButton* button : {lowButton_, mediumButton_, highButton_, noneButton_, rawButton_})
    button->setEnabled(enabled);
}

void CreateImageWindow::DIBImage1Click() {
  const std::optional<QString> chosen = RunSaveImgDialog();
  if (!chosen || chosen->isEmpty()) return;
  if (session_.platform.FileExists(chosen->toStdString())) {
    const QString question = Q(FillPlaceholders(session_.texts.strSFileExist, {chosen->toStdString()}));
    const DialogButton answer = session_.prompts.AskMessage(this, DialogType::Confirmation, question,
                                                            {DialogButton::Yes, DialogButton::No});
    if (answer != DialogButton::Yes) return;
  }
  tempPathEdit_->setText(*chosen);
}

void CreateImageWindow::LogFileCheckBoxClick(bool checked) {
  const MessageTexts& texts = session_.texts;
  AppendMemoLine(checked ? CreateImageLogAnnouncement(texts, tempPathEdit_->text().toStdString())
                         : texts.strSdontWriteLogfile);
}

void CreateImageWindow::VirtuellCheckBoxClick(bool checked) {
  const MessageTexts& texts = session_.texts;
  AppendMemoLine(checked ? texts.strSVirtualNoWrite : texts.strSVirtualWrite);
}

void CreateImageWindow::LastPartitionSectorCheckBoxClick(bool checked) {
  const MessageTexts& texts = session_.texts;
  const char point = UserDecimalSeparator();
  // A drive without listed partitions keeps its whole range: ending at its
  // LastSector of 0 would make an image of nothing.
  endSector_ = ValidPartitionsEnd(header_, checked);
  if (checked) {
    AppendMemoLine(FillPlaceholders(texts.strSOnlytoLastPartitionSector,
                                 {SizeText((endSector_ - firstSector_) * BytesPerSector, point),
                                  std::to_string(endSector_)}));
  } else {
    AppendMemoLine(FillPlaceholders(texts.strSCompleteSeletedDrive,
                                 {SizeText(header_.SectorCount * BytesPerSector, point)}));
  }
}

void CreateImageWindow::ShadowCopyCheckBoxClick(bool checked) {
  // Failures to start or stop the service are not reported: the box is an
  // offer, and the image is made either way.
  const MessageTexts& texts = session_.texts;
  if (checked) {
    if (StartServiceAndWait(session_.platform, "", kShadowCopyService)) AppendMemoLine(texts.strSStartVSS);
  } else {
    if (StopServiceAndWait(session_.platform, "", kShadowCopyService)) AppendMemoLine(texts.strSStopVSS);
  }
}

void CreateImageWindow::FormShow() {
  // Shown again while a run is still finishing (closed, then shown by a
  // set-up): nothing of the running job is reset.
  if (running_) return;
  FitCommandLabels(*regOKLabel_, *regCancelLabel_);
  FitCheckBoxes(*this);
  // 1-2: images made here are raw; the General group takes the freed space.
  compressionGroupBox_->setVisible(false);
  rawButton_->setChecked(true);
  generalGroupBox_->setGeometry(kCompressionLeft, kGroupTop,
                                kGeneralWidth + (kGeneralLeft - kCompressionLeft), kGroupHeight);
  // 3-4: the two visible boxes spread over the group. Placed from their design
  // tops, so that showing the window again never moves them further.
  lastPartitionSectorCheckBox_->setVisible(false);
  spinEdit1_->setVisible(false);
  retriesLabel_->setVisible(false);
  logFileCheckBox_->move(kBoxLeft, kLogFileTop + 10);
  virtuellCheckBox_->move(kBoxLeft, kVirtuellTop + 20);
  // 5
  spinEdit1_->setValue(1);
  memo_->clear();
  memoLines_.Clear();
  // 6
  CentreOver(*this, mainWindow_);
  HideMainWindow(mainWindow_);
  // 7
  logFileCheckBox_->setEnabled(true);
  shadowCopyCheckBox_->setEnabled(true);
  virtuellCheckBox_->setEnabled(true);
  regOKLabel_->setEnabled(true);
  openfile_->setEnabled(true);
  tempPathEdit_->setEnabled(true);
  const bool wholeDevice =
      deviceKind_ != KindPartition && deviceKind_ != KindFixedVolume && deviceKind_ != KindRemovableVolume;
  lastPartitionSectorCheckBox_->setEnabled(wholeDevice);
  lastPartitionSectorCheckBox_->setChecked(false);
  // 8
  bytesRemainingLabel2_->clear();
  fileSizeLabel2_->clear();
  speedLabel_->clear();
  mainBar_->SetMaximum(100);
  mainBar_->SetPosition(0);
  bufferBar_->SetPosition(0);
  stopped_ = false;
  // 9: ticking or clearing the box runs its handler, as a click would.
  shadowCopyCheckBox_->setChecked(IsServiceRunning(session_.platform, "", kShadowCopyService));
  // 10
  AppendMemoLine(session_.texts.strSSourceDrive + ": " + harddriveLabel_->text().toStdString());
}

void CreateImageWindow::TntFormPaint() { RestoreCaption(Q(session_.texts.strScreateImageTitle)); }

}  // namespace drivecopy
