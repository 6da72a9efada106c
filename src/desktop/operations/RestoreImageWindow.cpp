#include "desktop/operations/RestoreImageWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/operations/WindowJobObserver.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"

namespace drivecopy {

RestoreImageWindow::RestoreImageWindow(DesktopSession& session, QWidget& mainWindow)
    : OperationWindow(session, mainWindow, OperationWindowFlags()) {
  setObjectName(QStringLiteral("RestoreImgForm"));
  BuildControls();
  LinkTranslator("TRestoreImgForm", 2);
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
  const MessageTexts& texts = session_.texts;
  setWindowTitle(Q(texts.strSRestoreImageTitle));
  destinationCaption_->setText(Q(texts.strSDestDrive));
  bytesRemainingCaption_->setText(Q(texts.strSRemainingBytesLabel));
  startLabel_->setText(Q(texts.strSStart));
  abortLabel_->setText(Q(texts.strSAbort));
}

void RestoreImageWindow::BuildControls() {
  QWidget& page = BuildBackground(ClientWidth, ClientHeight, QStringLiteral("Restore disk Image"));

  destinationCaption_ = new QLabel(QStringLiteral("Destination Drive"), &page);
  destinationCaption_->setObjectName(QStringLiteral("TntLabel2"));
  destinationCaption_->setGeometry(25, 16, 376, 16);
  destinationLabel_ = new QLabel(&page);
  destinationLabel_->setObjectName(QStringLiteral("HarddriveLabel"));
  // Two lines for a partition.
  destinationLabel_->setGeometry(25, 35, 376, 34);
  destinationLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // In the gap between the destination's two lines and the bytes remaining.
  verifyBox_ =
      MakeCheckBox(page, "VerifyCheckBox", QStringLiteral("Verify after writing"), QRect(25, 76, 376, 17));
  bytesRemainingCaption_ = new QLabel(QStringLiteral("Bytes Remaining:"), &page);
  bytesRemainingCaption_->setObjectName(QStringLiteral("TntLabel1"));
  bytesRemainingCaption_->setGeometry(25, 100, 376, 16);

  progressBar_ = new GradientProgressBar(GradientProgressBar::ColourScheme::Sky, &page);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setGeometry(25, 120, 376, 140 - 120);

  memo_ = MakeOperationMemoView(page, QStringLiteral("CreateImageMemo"), true);
  memo_->setGeometry(25, 156, 376, 165);

  BuildCommandLabels(page, 231, 344, QStringLiteral("&Abort"), CommandHover::ColourAndHand);
}

QString RestoreImageWindow::OwnCaption() const { return Q(session_.texts.strSRestoreImageTitle); }

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
  parameters.Description = destinationLabel_->text().toStdString();
  parameters.DecimalSeparator = UserDecimalSeparator();
  parameters.Verify = verifyBox_->isChecked();
  return parameters;
}

void RestoreImageWindow::BeginRun() {
  startLabel_->setEnabled(false);
  verifyBox_->setEnabled(false);
  progressBar_->SetMaximum(100);
}

JobWindowControls RestoreImageWindow::JobControls() {
  JobWindowControls controls;
  controls.Window = this;
  controls.Memo = memo_;
  controls.MainBar = progressBar_;
  return controls;
}

JobOutcome RestoreImageWindow::RunJob(WindowJobObserver& observer) {
  return RunRestoreImageJob(session_.platform, session_.texts, JobParameters(), memoLines_, observer);
}

bool RestoreImageWindow::EndRun(const JobOutcome& outcome, const WindowJobObserver&) {
  startLabel_->setEnabled(true);
  verifyBox_->setEnabled(true);
  // The verification's lines are its only account; they stay in view.
  if (outcome.Verification != VerifyResult::NotRun) return false;
  switch (outcome.Status) {
    case JobStatus::Finished:
    case JobStatus::Stopped:
      return true;
    case JobStatus::FinishedWithProblems:
      // The job reports no progress after its last block; it got to its end.
      progressBar_->SetPosition(progressBar_->Maximum());
      // The lines naming the sectors that could not be written are the only
      // account of them; the window stays until the user has seen them.
      return false;
    case JobStatus::Failed:
    case JobStatus::NotStarted:
      break;
  }
  return false;
}

void RestoreImageWindow::PrepareOwnControls() {
  verifyBox_->setChecked(false);
  verifyBox_->setEnabled(true);
  progressBar_->SetMaximum(100);
  progressBar_->SetPosition(0);
}

}  // namespace drivecopy
