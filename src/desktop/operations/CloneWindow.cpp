#include "desktop/operations/CloneWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"
#include "jobs/LogFileNames.h"

namespace drivecopy {

namespace {

constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;

// The system's long time format without its time zone, which a clock time in
// the memo does not need.
QString LongTimeText(const QTime& time) {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return QLocale().toString(time, format.trimmed());
}

}  // namespace

// The window is designed in German (language 1): its own captions below are
// German, and the translator gives them the active language's texts.
CloneWindow::CloneWindow(DesktopSession& session, QWidget& mainWindow)
    : OperationWindow(session, mainWindow, OperationWindowFlags() | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("CloneDriveFrm"));
  BuildControls();
  LinkTranslator("TCloneDriveFrm", 1);
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
  UpdateCaptions();
  ownCaption_ = windowTitle();
}

void CloneWindow::BuildControls() {
  QWidget& page = BuildBackground(ClientWidth, ClientHeight, QStringLiteral("Laufwerke klonen"));

  sourceCaption_ =
      MakeLabel(page, "ScourceLabel", QStringLiteral("Quell-Laufwerk: "), QRect(25, 19, 376, 16), kTopLeft);
  // The descriptions take two lines for a partition.
  sourceLabel_ = MakeLabel(page, "SourcedriveLabel", QString(), QRect(25, 36, 376, 34), kTopLeft);
  destinationCaption_ =
      MakeLabel(page, "DestLabel", QStringLiteral("Ziel-Laufwerk: "), QRect(25, 73, 376, 16), kTopLeft);
  destinationLabel_ = MakeLabel(page, "DestinationDriveLabel", QString(), QRect(25, 91, 376, 34), kTopLeft);

  generalGroup_ = new QGroupBox(QStringLiteral("Allgemein"), &page);
  generalGroup_->setObjectName(QStringLiteral("TntGroupBox2"));
  generalGroup_->setGeometry(25, 136, 376, 73);
  logFileBox_ = MakeCheckBox(*generalGroup_, "LogFileCheckBox", QStringLiteral("Schreibe Log Datei"),
                             QRect(14, 31, 140, 17));
  shadowCopyBox_ = MakeCheckBox(*generalGroup_, "ShadowCopyCheckBox",
                                QStringLiteral("Schatten Kopie Service"), QRect(160, 31, 161, 17));
  shadowCopyBox_->setVisible(false);
  verifyBox_ = MakeCheckBox(*generalGroup_, "VerifyCheckBox", QStringLiteral("Nach dem Schreiben überprüfen"),
                            QRect(14, 50, 200, 17));

  bytesRemainingCaption_ =
      MakeLabel(page, "TntLabel1", QStringLiteral("Verbleibende Bytes:"), QRect(25, 218, 105, 16), kTopLeft);
  // The count shares its row with the speed, which ends at the memo's right edge.
  bytesRemainingValue_ =
      MakeLabel(page, "BytesRemainingLabel2", QString(), QRect(132, 218, 112, 16), kTopLeft);
  speedLabel_ =
      MakeLabel(page, "SpeedLabel", QString(), QRect(246, 218, 155, 16), Qt::AlignRight | Qt::AlignTop);
  // The wording of the time left in the design language (German here); the table translates it.
  speedLabel_->setProperty("TimeLeftText", QStringLiteral("noch %s"));

  progressBar_ = new GradientProgressBar(GradientProgressBar::ColourScheme::Sky, &page);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setGeometry(25, 240, 376, 260 - 240);

  memo_ = MakeOperationMemoView(page, QStringLiteral("CloneDrivesMemo"), false);
  memo_->setGeometry(25, 267, 376, 129);

  // This window's labels only change the cursor under the mouse.
  BuildCommandLabels(page, 232, 431, QStringLiteral("Abbruch"), CommandHover::HandOnly);

  // A box changed from code runs its handler too, as a click would.
  connect(logFileBox_, &QCheckBox::toggled, this, &CloneWindow::LogFileBoxToggled);
  connect(shadowCopyBox_, &QCheckBox::toggled, this, &CloneWindow::ShadowCopyBoxToggled);
}

QString CloneWindow::MainWindowCaption() const {
  const MessageTexts& texts = session_.texts;
  return Q(texts.strSVRZTitle + texts.strSVRZVersion + texts.strSVRZCloneImage);
}

void CloneWindow::UpdateCaptions() {
  const MessageTexts& texts = session_.texts;
  mainWindow_.setWindowTitle(MainWindowCaption());
  abortLabel_->setText(Q(texts.strSAbort));
  startLabel_->setText(Q(texts.strSStart));
  sourceCaption_->setText(Q(texts.strSSourceDrive));
  destinationCaption_->setText(Q(texts.strSDestDrive));
  logFileBox_->setText(Q(texts.strSLogfileCaption));
  bytesRemainingCaption_->setText(Q(texts.strSRemainingBytesLabel));
  AlignValueColumn({{bytesRemainingCaption_, bytesRemainingValue_}}, 132);
}

void CloneWindow::ShowSelectionStep(const CloneSelection::NextResult& step) {
  switch (step.Recorded) {
    case CloneSelection::Step::SourceRecorded:
      sourceLabel_->setText(Q(step.Description));
      break;
    case CloneSelection::Step::DestinationRecorded:
      destinationLabel_->setText(Q(step.Description));
      break;
    case CloneSelection::Step::AlreadyComplete:
      break;
  }
  for (const std::string& line : step.CloneMemoLines) AppendMemoLine(line);
}

CloneParameters CloneWindow::JobParameters() const {
  CloneParameters parameters = selection_.Parameters(logFileBox_->isChecked());
  parameters.DecimalSeparator = UserDecimalSeparator();
  parameters.Verify = verifyBox_->isChecked();
  return parameters;
}

bool CloneWindow::ReadyToStart() const { return selection_.SourceChosen() && selection_.DestinationChosen(); }

void CloneWindow::SetBoxesEnabled(bool enabled) {
  logFileBox_->setEnabled(enabled);
  shadowCopyBox_->setEnabled(enabled);
  verifyBox_->setEnabled(enabled);
}

void CloneWindow::BeginRun() {
  startLabel_->setEnabled(false);
  SetBoxesEnabled(false);
  bytesRemainingValue_->clear();
  speedLabel_->clear();
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
}

JobWindowControls CloneWindow::JobControls() {
  JobWindowControls controls;
  controls.Window = this;
  controls.Memo = memo_;
  controls.MainBar = progressBar_;
  controls.BytesRemaining = bytesRemainingValue_;
  controls.Speed = speedLabel_;
  return controls;
}

JobOutcome CloneWindow::RunJob(WindowJobObserver& observer) {
  return RunCloneJob(session_.platform, session_.texts, JobParameters(), memoLines_, observer);
}

bool CloneWindow::EndRun(const JobOutcome& outcome, const WindowJobObserver& observer) {
  speedLabel_->clear();
  startLabel_->setEnabled(true);
  SetBoxesEnabled(true);
  // The job reports no progress after its last block; a copy that got to
  // its end shows it as done.
  if (outcome.Status == JobStatus::Finished || outcome.Status == JobStatus::FinishedWithProblems) {
    progressBar_->SetPosition(progressBar_->Maximum());
    bytesRemainingValue_->setText(QStringLiteral("0"));
  }
  // The time the copy was let go, once it went past the checks (a declined
  // or refused run started nothing).
  if (outcome.Status != JobStatus::NotStarted && observer.ConfirmedAt()) {
    emit copyLetGo(LongTimeText(*observer.ConfirmedAt()));
  }
  return false;
}

void CloneWindow::AbortClick() {
  selection_.Clear();
  startLabel_->setEnabled(true);
  OperationWindow::AbortClick();
}

void CloneWindow::LogFileBoxToggled(bool checked) {
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

void CloneWindow::PrepareOwnControls() {
  // A run that could not open its destination left these disabled; a new
  // showing offers them again.
  SetBoxesEnabled(true);
  verifyBox_->setChecked(false);
  bytesRemainingValue_->clear();
  speedLabel_->clear();
  // Ticking or clearing the box runs its handler, as a click would.
  shadowCopyBox_->setChecked(ShadowCopyServiceRunning());
}

void CloneWindow::RefreshCaptions() {
  if (isMinimized()) return;
  const QString mainCaption = MainWindowCaption();
  if (mainWindow_.windowTitle() != mainCaption) mainWindow_.setWindowTitle(mainCaption);
  // Its own caption showed the progress while minimised.
  OperationWindow::RefreshCaptions();
}

}  // namespace drivecopy
