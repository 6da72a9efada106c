#include "desktop/operations/CloneWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>

#include "jobs/ServiceHandling.h"
#include "desktop/operations/OperationWindowParts.h"
#include "jobs/LogFileNames.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"

namespace drivecopy {

namespace {

const std::string kShadowCopyService = "VSS";

QLabel* MakeLabel(QWidget& parent, const char* name, const QString& caption, const QRect& bounds) {
  auto* label = new QLabel(caption, &parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(bounds);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

// The window is designed in German (language 1): its own captions below are
// German, and the translator gives them the active language's texts.
CloneWindow::CloneWindow(DesktopSession& session, QWidget& mainWindow)
    : OperationWindow(session, mainWindow, OperationWindowFlags() | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("CloneDriveFrm"));
  BuildControls();
  LinkTranslator("TCloneDriveFrm", 1);
  FormCreate();
  ownCaption_ = windowTitle();
}

void CloneWindow::BuildControls() {
  QWidget& page = BuildBackground(ClientWidth, ClientHeight, QStringLiteral("Laufwerke klonen"));

  scourceLabel_ = MakeLabel(page, "ScourceLabel", QStringLiteral("Quell-Laufwerk: "), QRect(25, 19, 376, 16));
  // The descriptions take two lines for a partition.
  sourcedriveLabel_ = MakeLabel(page, "SourcedriveLabel", QString(), QRect(25, 36, 376, 34));
  destLabel_ = MakeLabel(page, "DestLabel", QStringLiteral("Ziel-Laufwerk: "), QRect(25, 73, 376, 16));
  destinationDriveLabel_ = MakeLabel(page, "DestinationDriveLabel", QString(), QRect(25, 91, 376, 34));

  tntGroupBox2_ = new QGroupBox(QStringLiteral("Allgemein"), &page);
  tntGroupBox2_->setObjectName(QStringLiteral("TntGroupBox2"));
  tntGroupBox2_->setGeometry(25, 136, 376, 73);
  logFileCheckBox_ = new QCheckBox(QStringLiteral("Schreibe Log Datei"), tntGroupBox2_);
  logFileCheckBox_->setObjectName(QStringLiteral("LogFileCheckBox"));
  logFileCheckBox_->setGeometry(14, 31, 140, 17);
  shadowCopyCheckBox_ = new QCheckBox(QStringLiteral("Schatten Kopie Service"), tntGroupBox2_);
  shadowCopyCheckBox_->setObjectName(QStringLiteral("ShadowCopyCheckBox"));
  shadowCopyCheckBox_->setGeometry(160, 31, 161, 17);
  shadowCopyCheckBox_->setVisible(false);

  tntLabel1_ = MakeLabel(page, "TntLabel1", QStringLiteral("Verbleibende Bytes:"), QRect(25, 218, 105, 16));
  // The count shares its row with the speed, which ends at the memo's right edge.
  bytesRemainingLabel2_ = MakeLabel(page, "BytesRemainingLabel2", QString(), QRect(132, 218, 112, 16));
  speedLabel_ = MakeLabel(page, "SpeedLabel", QString(), QRect(246, 218, 155, 16));
  // The wording of the time left in the design language (German here); the table translates it.
  speedLabel_->setProperty("TimeLeftText", QStringLiteral("noch %s"));
  speedLabel_->setAlignment(Qt::AlignRight | Qt::AlignTop);

  progressBar_ = new GradientProgressBar(GradientProgressBar::csSky, &page);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setGeometry(25, 240, 376, 260 - 240);

  memo_ = MakeOperationMemoView(page, QStringLiteral("CloneDrivesMemo"), false);
  memo_->setGeometry(25, 267, 376, 129);

  regOKLabel_ = new LabelButton(QStringLiteral("Start"), &page);
  regOKLabel_->setObjectName(QStringLiteral("RegOKLabel"));
  regOKLabel_->setGeometry(232, 431, 57, 16);
  StyleCommandLabel(*regOKLabel_);
  regCancelLabel_ = new LabelButton(QStringLiteral("Abbruch"), &page);
  regCancelLabel_->setObjectName(QStringLiteral("RegCancelLabel"));
  regCancelLabel_->setGeometry(286, 431, 113, 16);
  StyleCommandLabel(*regCancelLabel_);

  connect(regOKLabel_, &LabelButton::clicked, this, &CloneWindow::RegOKLabelClick);
  connect(regCancelLabel_, &LabelButton::clicked, this, &CloneWindow::RegCancelLabelClick);
  // This window's labels only change the cursor under the mouse.
  connect(regOKLabel_, &LabelButton::mouseEntered, this,
          [this] { ShowCommandLabelHover(*regOKLabel_, true, true, false); });
  connect(regOKLabel_, &LabelButton::mouseLeft, this,
          [this] { ShowCommandLabelHover(*regOKLabel_, false, false, false); });
  connect(regCancelLabel_, &LabelButton::mouseEntered, this,
          [this] { ShowCommandLabelHover(*regCancelLabel_, true, true, false); });
  connect(regCancelLabel_, &LabelButton::mouseLeft, this,
          [this] { ShowCommandLabelHover(*regCancelLabel_, false, false, false); });
  // A box changed from code runs its handler too, as a click would.
  connect(logFileCheckBox_, &QCheckBox::toggled, this, &CloneWindow::LogFileCheckBoxClick);
  connect(shadowCopyCheckBox_, &QCheckBox::toggled, this, &CloneWindow::ShadowCopyCheckBoxClick);
}

void CloneWindow::FormCreate() {
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
  stopped_ = false;
  UpdateCaptions();
}

void CloneWindow::UpdateCaptions() {
  const MessageTexts& texts = session_.texts;
  mainWindow_.setWindowTitle(Q(texts.strSVRZTitle + texts.strSVRZVersion + texts.strSVRZCloneImage));
  regCancelLabel_->setText(Q(texts.strSAbort));
  regOKLabel_->setText(Q(texts.strSStart));
  scourceLabel_->setText(Q(texts.strSSourceDrive));
  destLabel_->setText(Q(texts.strSDestDrive));
  logFileCheckBox_->setText(Q(texts.strSLogfileCaption));
  tntLabel1_->setText(Q(texts.strSRemainingBytesLabel));
  AlignValueColumn({{tntLabel1_, bytesRemainingLabel2_}}, 132);
}

void CloneWindow::ShowSelectionStep(const CloneSelection::NextResult& step) {
  switch (step.Recorded) {
    case CloneSelection::Step::SourceRecorded:
      sourcedriveLabel_->setText(Q(step.Description));
      break;
    case CloneSelection::Step::DestinationRecorded:
      destinationDriveLabel_->setText(Q(step.Description));
      break;
    case CloneSelection::Step::AlreadyComplete:
      break;
  }
  for (const std::string& line : step.CloneMemoLines) AppendMemoLine(line);
}

CloneParameters CloneWindow::JobParameters() const {
  CloneParameters parameters = selection_.Parameters(logFileCheckBox_->isChecked());
  parameters.DecimalSeparator = UserDecimalSeparator();
  return parameters;
}

namespace {

// The system's long time format without its time zone, which a clock time in
// the memo does not need.
QString LongTimeText(const QTime& time) {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return QLocale().toString(time, format.trimmed());
}

}  // namespace

void CloneWindow::RegOKLabelClick() {
  if (running_) return;
  // Nothing to copy until the set-up has chosen both ends.
  if (!selection_.SourceChosen() || !selection_.DestinationChosen()) return;
  running_ = true;
  regOKLabel_->setEnabled(false);
  logFileCheckBox_->setEnabled(false);
  shadowCopyCheckBox_->setEnabled(false);
  bytesRemainingLabel2_->clear();
  speedLabel_->clear();
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);

  JobWindowControls controls;
  controls.Window = this;
  controls.Memo = memo_;
  controls.MainBar = progressBar_;
  controls.BytesRemaining = bytesRemainingLabel2_;
  controls.Speed = speedLabel_;
  WindowJobObserver observer(session_, controls, [this] { return stopped_; });
  const JobOutcome outcome = RunCloneJob(session_.platform, session_.texts, JobParameters(), memoLines_, observer);
  EndRun(outcome, observer);
}

void CloneWindow::EndRun(const JobOutcome& outcome, const WindowJobObserver& observer) {
  running_ = false;
  speedLabel_->clear();
  regOKLabel_->setEnabled(true);
  logFileCheckBox_->setEnabled(true);
  shadowCopyCheckBox_->setEnabled(true);
  // The job reports no progress after its last block; a copy that got to
  // its end shows it as done.
  if (outcome.Status == JobStatus::Finished || outcome.Status == JobStatus::FinishedWithProblems) {
    progressBar_->SetPosition(progressBar_->Maximum());
    bytesRemainingLabel2_->setText(QStringLiteral("0"));
  }
  // The main window's memo gets the time the copy was let go, once it went
  // past the checks (a declined or refused run started nothing).
  if (outcome.Status != JobStatus::NotStarted && observer.ConfirmedAt()) {
    if (auto* pageMemo = mainWindow_.findChild<QPlainTextEdit*>(QStringLiteral("CI_HDDMemo"))) {
      pageMemo->appendPlainText(LongTimeText(*observer.ConfirmedAt()));
    }
  }
  // A failed or refused run: the error box has been shown; the memo keeps the
  // cause too (a failed flush is there already).
  if (outcome.Status == JobStatus::Failed || outcome.Status == JobStatus::NotStarted) {
    const auto& lines = memoLines_.Lines();
    if (!outcome.ErrorText.empty() && (lines.empty() || lines.back() != outcome.ErrorText)) {
      AppendMemoLine(outcome.ErrorText);
    }
  }
  // Closed during the run: the main window was kept away until now.
  if (isHidden()) GiveBackMainWindow();
}

void CloneWindow::RegCancelLabelClick() {
  selection_.Clear();
  stopped_ = true;
  regOKLabel_->setEnabled(true);
  close();
}

void CloneWindow::LogFileCheckBoxClick(bool checked) {
  const MessageTexts& texts = session_.texts;
  if (!checked) {
    AppendMemoLine(texts.strSdontWriteLogfile);
    return;
  }
  // The line names the file the run will write, which ends in ".txt".
  Platform& platform = session_.platform;
  const std::string logName = CloneLogName(platform.CurrentDirectory(), platform.PathSeparator(),
                                           platform.ShortDateFormat(), platform.Today());
  AppendMemoLine(CloneLogAnnouncement(texts, logName));
}

void CloneWindow::ShadowCopyCheckBoxClick(bool checked) {
  // Failures to start or stop the service are not reported: the copy is made either way.
  const MessageTexts& texts = session_.texts;
  if (checked) {
    if (StartServiceAndWait(session_.platform, "", kShadowCopyService)) AppendMemoLine(texts.strSStartVSS);
  } else {
    if (StopServiceAndWait(session_.platform, "", kShadowCopyService)) AppendMemoLine(texts.strSStopVSS);
  }
}

void CloneWindow::FormShow() {
  // Shown again while a run is still finishing: nothing of it is reset.
  if (running_) return;
  FitCommandLabels(*regOKLabel_, *regCancelLabel_);
  FitCheckBoxes(*this);
  CentreOver(*this, mainWindow_);
  HideMainWindow(mainWindow_);
  stopped_ = false;
  // A run that could not open its destination left these disabled; a new
  // showing offers them again.
  regOKLabel_->setEnabled(true);
  logFileCheckBox_->setEnabled(true);
  shadowCopyCheckBox_->setEnabled(true);
  bytesRemainingLabel2_->clear();
  speedLabel_->clear();
  // Ticking or clearing the box runs its handler, as a click would.
  shadowCopyCheckBox_->setChecked(IsServiceRunning(session_.platform, "", kShadowCopyService));
}

void CloneWindow::FormPaint() {
  if (isMinimized()) return;
  const MessageTexts& texts = session_.texts;
  const QString mainCaption = Q(texts.strSVRZTitle + texts.strSVRZVersion + texts.strSVRZCloneImage);
  if (mainWindow_.windowTitle() != mainCaption) mainWindow_.setWindowTitle(mainCaption);
  // Its own caption showed the progress while minimised.
  RestoreCaption(ownCaption_);
}

}  // namespace drivecopy
