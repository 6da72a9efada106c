#include "desktop/operations/WindowJobObserver.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/GradientProgressBar.h"

namespace drivecopy {

WindowJobObserver::WindowJobObserver(DesktopSession& session, const JobWindowControls& controls,
                                     std::function<bool()> stopped)
    : session_(session), controls_(controls), stopped_(std::move(stopped)) {}

void WindowJobObserver::MemoLine(const std::string& line) {
  // The engine keeps the line in the memo lines itself; adding it there again
  // would save it twice in the log.
  ShowMemoLine(*controls_.Memo, line);
}

void WindowJobObserver::Progress(const JobProgress& progress) {
  controls_.MainBar->SetPosition(progress.MainPercent);
  if (controls_.BufferBar != nullptr && progress.BufferPercent >= 0) {
    controls_.BufferBar->SetPosition(progress.BufferPercent);
  }
  if (controls_.BytesRemaining != nullptr) {
    controls_.BytesRemaining->setText(QString::number(progress.BytesRemaining));
  }
  if (controls_.FileSize != nullptr && !progress.FileSizeText.empty()) {
    controls_.FileSize->setText(Q(progress.FileSizeText));
  }
  if (controls_.Speed != nullptr) {
    // The window's table words the time left ("%s left", "noch %s", ...).
    const QString format = controls_.Speed->property("TimeLeftText").toString();
    const std::string timeLeftFormat = format.isEmpty() ? std::string("%s left") : format.toStdString();
    if (auto text = speed_.Report(progress.BytesDone, progress.BytesTotal, TransferSpeed::Clock::now(),
                                  UserDecimalSeparator(), timeLeftFormat)) {
      controls_.Speed->setText(Q(*text));
    }
  }
  if (controls_.Window->isMinimized()) {
    controls_.Window->setWindowTitle(QString::number(progress.MainPercent) + QStringLiteral(" %"));
  }
}

bool WindowJobObserver::Confirm(JobQuestion, const std::string& text) {
  const DialogButton answer = session_.prompts.AskMessage(controls_.Window, DialogType::Confirmation, Q(text),
                                                          {DialogButton::Yes, DialogButton::No});
  if (answer != DialogButton::Yes) return false;
  confirmedAt_ = QTime::currentTime();
  return true;
}

void WindowJobObserver::ShowError(const std::string& title, const std::string& text) {
  if (title.empty()) {
    session_.prompts.ShowMessageBox(controls_.Window, Q(session_.texts.strSTitleERROR), Q(text),
                                    MessageBoxIcon::None);
  } else {
    session_.prompts.ShowMessageBox(controls_.Window, Q(title), Q(text), MessageBoxIcon::Error);
  }
}

void WindowJobObserver::Pump() { QCoreApplication::processEvents(); }

bool WindowJobObserver::StopRequested() { return stopped_(); }

}  // namespace drivecopy
