#include "desktop/operations/OperationWindow.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "desktop/operations/OperationWindowParts.h"
#include "desktop/translation/TranslationTable.h"
#include "desktop/shared/WindowTranslator.h"
#include "desktop/widgets/ShadowFrame.h"

namespace drivecopy {

OperationWindow::OperationWindow(DesktopSession& session, QWidget& mainWindow, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), session_(session), mainWindow_(mainWindow) {}

OperationWindow::~OperationWindow() {
  if (translator_ != nullptr) session_.dispatcher.Unlink(*translator_);
}

QWidget& OperationWindow::BuildBackground(int clientWidth, int clientHeight,
                                          const QString& designCaption) {
  setFixedSize(clientWidth, clientHeight);
  setFont(OperationWindowFont());
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

void OperationWindow::LinkTranslator(const char* windowClass, int designLanguage) {
  translator_ = new WindowTranslator(*this, BuiltinWindowTable(windowClass),
                                     QString::fromLatin1(windowClass), designLanguage,
                                     QStringLiteral("siLangLinked1"));
  session_.dispatcher.Link(*translator_);
}

void OperationWindow::AppendMemoLine(const std::string& line) {
  drivecopy::AppendMemoLine(memoLines_, *memo_, line);
}

void OperationWindow::ShowProgressInCaption(int percent) {
  if (isMinimized()) setWindowTitle(QString::number(percent) + QStringLiteral(" %"));
}

void OperationWindow::FormClose() {
  // Closing during a run stops it as Cancel does; otherwise the flag is
  // cleared again when the window is next shown.
  stopped_ = true;
  // During a run the main window comes back only when the run has ended
  // (after the block in progress), so that no other operation can be started
  // from it while this one still holds the devices.
  if (!running_) GiveBackMainWindow();
}

void OperationWindow::RestoreCaption(const QString& caption) {
  if (!isMinimized() && windowTitle() != caption) setWindowTitle(caption);
}

void OperationWindow::GiveBackMainWindow() { ShowMainWindowAgain(mainWindow_); }

void OperationWindow::showEvent(QShowEvent* event) {
  // A window restored from the task bar is shown again by the system; only
  // showing it for a job prepares it.
  if (!event->spontaneous()) FormShow();
  QWidget::showEvent(event);
}

void OperationWindow::closeEvent(QCloseEvent* event) {
  FormClose();
  QWidget::closeEvent(event);
}

void OperationWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) OnPaint();
  QWidget::changeEvent(event);
}

void OperationWindow::paintEvent(QPaintEvent* event) {
  OnPaint();
  QWidget::paintEvent(event);
}

}  // namespace drivecopy
