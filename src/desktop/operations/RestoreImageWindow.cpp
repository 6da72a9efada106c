#include "desktop/operations/RestoreImageWindow.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"

namespace drivecopy {

RestoreImageWindow::RestoreImageWindow(DesktopSession& session, QWidget& mainWindow)
    : OperationWindow(session, mainWindow, OperationWindowFlags()) {
  setObjectName(QStringLiteral("RestoreImgForm"));
  BuildControls();
  LinkTranslator("TRestoreImgForm", 2);
  FormCreate();
}

void RestoreImageWindow::BuildControls() {
  QWidget& page = BuildBackground(ClientWidth, ClientHeight, QStringLiteral("Restore disk Image"));

  tntLabel2_ = new QLabel(QStringLiteral("Destination Drive"), &page);
  tntLabel2_->setObjectName(QStringLiteral("TntLabel2"));
  tntLabel2_->setGeometry(25, 16, 376, 16);
  harddriveLabel_ = new QLabel(&page);
  harddriveLabel_->setObjectName(QStringLiteral("HarddriveLabel"));
  // Two lines for a partition.
  harddriveLabel_->setGeometry(25, 35, 376, 34);
  harddriveLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  tntLabel1_ = new QLabel(QStringLiteral("Bytes Remaining:"), &page);
  tntLabel1_->setObjectName(QStringLiteral("TntLabel1"));
  tntLabel1_->setGeometry(25, 100, 376, 16);

  progressBar_ = new GradientProgressBar(GradientProgressBar::csSky, &page);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setGeometry(25, 120, 376, 140 - 120);

  memo_ = MakeOperationMemoView(page, QStringLiteral("CreateImageMemo"), true);
  memo_->setGeometry(25, 156, 376, 165);

  regOKLabel_ = new LabelButton(QStringLiteral("Start"), &page);
  regOKLabel_->setObjectName(QStringLiteral("RegOKLabel"));
  regOKLabel_->setGeometry(231, 344, 57, 16);
  StyleCommandLabel(*regOKLabel_);
  regCancelLabel_ = new LabelButton(QStringLiteral("&Abort"), &page);
  regCancelLabel_->setObjectName(QStringLiteral("RegCancelLabel"));
  regCancelLabel_->setGeometry(285, 344, 113, 16);
  StyleCommandLabel(*regCancelLabel_);

  connect(regOKLabel_, &LabelButton::clicked, this, &RestoreImageWindow::RegOKLabelClick);
  connect(regCancelLabel_, &LabelButton::clicked, this, &RestoreImageWindow::RegCancelLabelClick);
  connect(regOKLabel_, &LabelButton::mouseEntered, this,
          [this] { ShowCommandLabelHover(*regOKLabel_, true, !stopped_); });
  connect(regOKLabel_, &LabelButton::mouseLeft, this,
          [this] { ShowCommandLabelHover(*regOKLabel_, false, false); });
  connect(regCancelLabel_, &LabelButton::mouseEntered, this,
          [this] { ShowCommandLabelHover(*regCancelLabel_, true, true); });
  connect(regCancelLabel_, &LabelButton::mouseLeft, this,
          [this] { ShowCommandLabelHover(*regCancelLabel_, false, false); });
}

void RestoreImageWindow::FormCreate() {
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
  stopped_ = false;
  const MessageTexts& texts = session_.texts;
  setWindowTitle(Q(texts.strSRestoreImageTitle));
  tntLabel2_->setText(Q(texts.strSDestDrive));
  tntLabel1_->setText(Q(texts.strSRemainingBytesLabel));
  regOKLabel_->setText(Q(texts.strSStart));
  regCancelLabel_->setText(Q(texts.strSAbort));
}

void RestoreImageWindow::SetRestoreParameters(const std::string& devicePath, std::int64_t firstSector,
                                           std::int64_t endSector) {
  devicePath_ = devicePath;
  firstSector_ = firstSector;
  endSector_ = endSector;
}

RestoreImageParameters RestoreImageWindow::JobParameters() const {
  RestoreImageParameters parameters;
  parameters.DevicePath = devicePath_;
  parameters.FirstSector = firstSector_;
  parameters.EndSector = endSector_;
  parameters.ImagePath = imageFileName_.toStdString();
  parameters.Description = harddriveLabel_->text().toStdString();
  parameters.DecimalSeparator = UserDecimalSeparator();
  return parameters;
}

void RestoreImageWindow::RegOKLabelClick() {
  if (running_) return;
  running_ = true;
  regOKLabel_->setEnabled(false);
  progressBar_->SetMaximum(100);

  JobWindowControls controls;
  controls.Window = this;
  controls.Memo = memo_;
  controls.MainBar = progressBar_;
  WindowJobObserver observer(session_, controls, [this] { return stopped_; });
  const JobOutcome outcome =
      RunRestoreImageJob(session_.platform, session_.texts, JobParameters(), memoLines_, observer);
  EndRun(outcome);
}

void RestoreImageWindow::EndRun(const JobOutcome& outcome) {
  running_ = false;
  regOKLabel_->setEnabled(true);
  bool keepOpen = true;
  switch (outcome.Status) {
    case JobStatus::Finished:
    case JobStatus::Stopped:
      keepOpen = false;
      break;
    case JobStatus::FinishedWithProblems:
      // The job reports no progress after its last block; it got to its end.
      progressBar_->SetPosition(progressBar_->Maximum());
      // The lines naming the sectors that could not be written are the only
      // account of them; the window stays until the user has seen them.
      break;
    case JobStatus::Failed:
    case JobStatus::NotStarted: {
      const auto& lines = memoLines_.Lines();
      if (!outcome.ErrorText.empty() && (lines.empty() || lines.back() != outcome.ErrorText)) {
        AppendMemoLine(outcome.ErrorText);
      }
      break;
    }
  }
  if (isHidden()) {
    // Closed during the run: the main window was kept away until now.
    GiveBackMainWindow();
  } else if (!keepOpen) {
    close();
  }
}

void RestoreImageWindow::RegCancelLabelClick() {
  stopped_ = true;
  close();
}

void RestoreImageWindow::FormShow() {
  // Shown again while a run is still finishing: nothing of it is reset.
  if (running_) return;
  FitCommandLabels(*regOKLabel_, *regCancelLabel_);
  FitCheckBoxes(*this);
  CentreOver(*this, mainWindow_);
  HideMainWindow(mainWindow_);
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
  // A run that ended in a failure left Start disabled; a new showing offers it again.
  regOKLabel_->setEnabled(true);
  stopped_ = false;
}

void RestoreImageWindow::TntFormPaint() { RestoreCaption(Q(session_.texts.strSRestoreImageTitle)); }

}  // namespace drivecopy
