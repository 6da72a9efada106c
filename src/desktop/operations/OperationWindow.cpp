#include "desktop/operations/OperationWindow.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/shared/WindowTranslator.h"
#include "desktop/translation/TranslationTable.h"
#include "desktop/widgets/LabelButton.h"
#include "desktop/widgets/ShadowFrame.h"
#include "jobs/ServiceHandling.h"

namespace drivecopy {

namespace {

// The shadow copy service of the platform.
const std::string kShadowCopyService = "VSS";

}  // namespace

OperationWindow::OperationWindow(DesktopSession& session, QWidget& mainWindow, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), session_(session), mainWindow_(mainWindow) {}

OperationWindow::~OperationWindow() {
  if (translator_ != nullptr) session_.dispatcher.Unlink(*translator_);
}

QWidget& OperationWindow::BuildBackground(int clientWidth, int clientHeight, const QString& designCaption) {
  setFixedSize(clientWidth, clientHeight);
  setFont(TahomaFont(11));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(127, 179, 211));
  setPalette(palette);
  setAutoFillBackground(true);
  setWindowTitle(designCaption);

  auto* background = new ShadowFrame(this);
  background->setObjectName(QStringLiteral("BackgroundFrame"));
  background->setGeometry(0, 0, clientWidth, clientHeight);
  return *background;
}

void OperationWindow::BuildCommandLabels(QWidget& page, int startLeft, int top, const QString& abortCaption,
                                         CommandHover hover) {
  startLabel_ = new LabelButton(QStringLiteral("Start"), &page);
  startLabel_->setObjectName(QStringLiteral("RegOKLabel"));
  startLabel_->setGeometry(startLeft, top, 57, 16);
  StyleCommandLabel(*startLabel_);
  abortLabel_ = new LabelButton(abortCaption, &page);
  abortLabel_->setObjectName(QStringLiteral("RegCancelLabel"));
  abortLabel_->setGeometry(startLeft + 54, top, 113, 16);
  StyleCommandLabel(*abortLabel_);

  connect(startLabel_, &LabelButton::clicked, this, &OperationWindow::StartClick);
  connect(abortLabel_, &LabelButton::clicked, this, &OperationWindow::AbortClick);
  const bool colour = hover == CommandHover::ColourAndHand;
  connect(startLabel_, &LabelButton::mouseEntered, this,
          [this, colour] { ShowCommandLabelHover(*startLabel_, true, !colour || !stopped_, colour); });
  connect(abortLabel_, &LabelButton::mouseEntered, this,
          [this, colour] { ShowCommandLabelHover(*abortLabel_, true, true, colour); });
  for (LabelButton* label : {startLabel_, abortLabel_}) {
    connect(label, &LabelButton::mouseLeft, this,
            [label, colour] { ShowCommandLabelHover(*label, false, false, colour); });
  }
}

void OperationWindow::LinkTranslator(const char* windowClass, int designLanguage) {
  translator_ = new WindowTranslator(*this, BuiltinWindowTable(windowClass), QString::fromLatin1(windowClass),
                                     designLanguage, QStringLiteral("siLangLinked1"));
  session_.dispatcher.Link(*translator_);
}

void OperationWindow::AppendMemoLine(const std::string& line) {
  drivecopy::AppendMemoLine(memoLines_, *memo_, line);
}

void OperationWindow::ShadowCopyBoxToggled(bool checked) {
  const MessageTexts& texts = session_.texts;
  if (checked) {
    if (StartServiceAndWait(session_.platform, "", kShadowCopyService)) AppendMemoLine(texts.strSStartVSS);
  } else {
    if (StopServiceAndWait(session_.platform, "", kShadowCopyService)) AppendMemoLine(texts.strSStopVSS);
  }
}

bool OperationWindow::ShadowCopyServiceRunning() const {
  return IsServiceRunning(session_.platform, "", kShadowCopyService);
}

void OperationWindow::StartClick() {
  // Start is disabled while a job runs; a click queued before that must not
  // start a second job inside the first one's pumping.
  if (running_ || !ReadyToStart()) return;
  running_ = true;
  BeginRun();
  WindowJobObserver observer(session_, JobControls(), [this] { return stopped_; });
  const JobOutcome outcome = RunJob(observer);
  // Cleared first: closing the window below gives the main window back only
  // when no run holds the devices.
  running_ = false;
  KeepErrorInMemo(outcome);
  const bool closeWindow = EndRun(outcome, observer);
  if (isHidden()) {
    // Closed during the run: the main window was kept away until now.
    GiveBackMainWindow();
  } else if (closeWindow) {
    close();
  }
}

void OperationWindow::KeepErrorInMemo(const JobOutcome& outcome) {
  if (outcome.Status != JobStatus::Failed && outcome.Status != JobStatus::NotStarted) return;
  // The job may have put the line there itself (a failed flush does).
  const auto& lines = memoLines_.Lines();
  if (!outcome.ErrorText.empty() && (lines.empty() || lines.back() != outcome.ErrorText)) {
    AppendMemoLine(outcome.ErrorText);
  }
}

void OperationWindow::AbortClick() {
  stopped_ = true;
  close();
}

void OperationWindow::PrepareForJob() {
  // Shown again while a run is still finishing (closed, then shown by a
  // set-up): nothing of the running job is reset.
  if (running_) return;
  FitCommandLabels(*startLabel_, *abortLabel_);
  FitCheckBoxes(*this);
  CentreOver(*this, mainWindow_);
  HideMainWindow(mainWindow_);
  // A run that failed left Start disabled; a new showing offers it again.
  startLabel_->setEnabled(true);
  stopped_ = false;
  PrepareOwnControls();
}

void OperationWindow::RefreshCaptions() {
  const QString caption = OwnCaption();
  if (!isMinimized() && windowTitle() != caption) setWindowTitle(caption);
}

void OperationWindow::GiveBackMainWindow() { ShowMainWindowAgain(mainWindow_); }

void OperationWindow::showEvent(QShowEvent* event) {
  // A window restored from the task bar is shown again by the system; only
  // showing it for a job prepares it.
  if (!event->spontaneous()) PrepareForJob();
  QWidget::showEvent(event);
}

void OperationWindow::closeEvent(QCloseEvent* event) {
  // Closing during a run stops it as Abort does; otherwise the flag is
  // cleared again when the window is next shown.
  stopped_ = true;
  // During a run the main window comes back only when the run has ended
  // (after the block in progress), so that no other operation can be started
  // from it while this one still holds the devices.
  if (!running_) GiveBackMainWindow();
  QWidget::closeEvent(event);
}

void OperationWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) RefreshCaptions();
  QWidget::changeEvent(event);
}

void OperationWindow::paintEvent(QPaintEvent* event) {
  RefreshCaptions();
  QWidget::paintEvent(event);
}

}  // namespace drivecopy
