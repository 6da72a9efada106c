#include "desktop/operations/OperationWindowParts.h"

#include <algorithm>

#include <QCheckBox>
#include <QLabel>
#include <QGuiApplication>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/LabelButton.h"
#include "jobs/OperationMemo.h"

namespace drivecopy {

Qt::WindowFlags OperationWindowFlags() {
  return Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}

void StyleCommandLabel(LabelButton& label) {
  label.setFont(TahomaFont(13, true));
  label.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // A caption like "&Abort" marks its access key with the ampersand; a label
  // draws that as an underline only when it has a buddy.
  label.setTextFormat(Qt::PlainText);
  label.setBuddy(&label);
  ShowCommandLabelHover(label, false, false);
}

namespace {

int CaptionAdvance(const QLabel& label) {
  QString text = label.text();
  text.remove('&');  // the access-key mark is drawn as an underline, not as a character
  return label.fontMetrics().horizontalAdvance(text) + 4;
}

}  // namespace

void HideMainWindow(QWidget& mainWindow) {
  if (mainWindow.isVisible()) mainWindow.setProperty("placeBeforeHiding", mainWindow.geometry());
  mainWindow.setEnabled(false);
  mainWindow.hide();
}

void ShowMainWindowAgain(QWidget& mainWindow) {
  // The client area goes back where it was: before the window is mapped
  // again, and once more when the window manager has mapped it (some place a
  // window they map again by their own rules).
  const QVariant place = mainWindow.property("placeBeforeHiding");
  if (place.isValid()) mainWindow.setGeometry(place.toRect());
  mainWindow.show();
  if (place.isValid()) {
    QTimer::singleShot(50, &mainWindow,
                       [&mainWindow, rect = place.toRect()] { mainWindow.setGeometry(rect); });
  }
  mainWindow.setEnabled(true);
}

void FitCommandLabels(LabelButton& start, LabelButton& cancel) {
  const int cancelRight = cancel.geometry().right();
  const int cancelWidth = std::max(cancel.width(), CaptionAdvance(cancel));
  cancel.setGeometry(cancelRight - cancelWidth + 1, cancel.y(), cancelWidth, cancel.height());
  // Start's text ends 16 pixels before Cancel's text begins (labels are right-aligned).
  const int startRight = std::min(start.geometry().right(), cancelRight - CaptionAdvance(cancel) - 16);
  const int startWidth = std::max(start.width(), CaptionAdvance(start));
  start.setGeometry(startRight - startWidth + 1, start.y(), startWidth, start.height());
}

void FitCheckBoxes(QWidget& container) {
  for (QCheckBox* box : container.findChildren<QCheckBox*>()) {
    const QWidget* parent = box->parentWidget();
    const int room = parent ? parent->width() - box->x() - 4 : box->sizeHint().width();
    box->resize(std::max(box->width(), std::min(box->sizeHint().width(), room)), box->height());
  }
}

void ShowCommandLabelHover(LabelButton& label, bool entered, bool handCursor, bool colour) {
  if (colour) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, entered ? QColor(HoverRed, HoverGreen, HoverBlue)
                                                   : QColor(RestingGrey, RestingGrey, RestingGrey));
    // Start is disabled while a job runs; it must look so.
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     QColor(DisabledGrey, DisabledGrey, DisabledGrey));
    label.setPalette(palette);
  }
  if (entered && handCursor) {
    label.setCursor(Qt::PointingHandCursor);
  } else {
    label.unsetCursor();
  }
}

QLabel* MakeLabel(QWidget& parent, const char* objectName, const QString& caption, const QRect& bounds,
                  Qt::Alignment alignment) {
  auto* label = new QLabel(caption, &parent);
  label->setObjectName(QLatin1String(objectName));
  label->setGeometry(bounds);
  label->setAlignment(alignment);
  return label;
}

QCheckBox* MakeCheckBox(QWidget& parent, const char* objectName, const QString& caption,
                        const QRect& bounds) {
  auto* box = new QCheckBox(caption, &parent);
  box->setObjectName(QLatin1String(objectName));
  box->setGeometry(bounds);
  return box;
}

QPlainTextEdit* MakeOperationMemoView(QWidget& parent, const QString& objectName, bool wrapLines) {
  auto* memo = new QPlainTextEdit(&parent);
  memo->setObjectName(objectName);
  memo->setReadOnly(true);
  // The memo and its scroll bars take the desktop's colours: the window's
  // blue would otherwise fill the corner between the two scroll bars.
  QPalette palette = memo->palette();
  palette.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Window));
  memo->setPalette(palette);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  if (wrapLines) {
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  } else {
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
  return memo;
}

void AppendMemoLine(OperationMemo& lines, QPlainTextEdit& view, const std::string& line) {
  lines.Append(line);
  ShowMemoLine(view, line);
}

void ShowMemoLine(QPlainTextEdit& view, const std::string& line) {
  QString shown = Q(line);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  view.appendPlainText(shown);
  // The newest line in view, from its beginning (the view follows its cursor).
  QTextCursor cursor = view.textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock);
  view.setTextCursor(cursor);
  view.ensureCursorVisible();
}

void AlignValueColumn(std::initializer_list<CaptionAndValue> rows, int designLeft) {
  constexpr int gap = 6;
  int left = designLeft;
  for (const CaptionAndValue& row : rows) {
    row.Caption->resize(row.Caption->sizeHint().width(), row.Caption->height());
    left = std::max(left, row.Caption->x() + row.Caption->width() + gap);
  }
  for (const CaptionAndValue& row : rows) {
    const int right = row.Value->x() + row.Value->width();
    row.Value->setGeometry(left, row.Value->y(), std::max(0, right - left), row.Value->height());
  }
}

void CentreOver(QWidget& window, const QWidget& over) {
  const QRect outer = over.frameGeometry();
  QRect placed = window.frameGeometry();
  placed.moveCenter(outer.center());
  window.move(placed.topLeft());
}

}  // namespace drivecopy
