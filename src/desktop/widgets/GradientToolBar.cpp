#include "desktop/widgets/GradientToolBar.h"

#include <QLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QToolButton>

namespace drivecopy {

namespace {
constexpr int kBarHeight = 22;
constexpr int kButtonWidth = 78;
}  // namespace

GradientToolBar::GradientToolBar(QWidget* parent) : QToolBar(parent) {
  setFixedHeight(kBarHeight);
  setMovable(false);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonTextOnly);
  setContentsMargins(0, 0, 0, 0);
  layout()->setContentsMargins(0, 0, 0, 0);
  layout()->setSpacing(0);
  setStyleSheet(
      QStringLiteral("QToolBar { border: none; spacing: 0px; padding: 0px; }"
                     "QToolButton { border: none; background: transparent; color: rgb(30, 48, 66);"
                     "  padding: 0px 6px; margin: 0px; }"
                     "QToolButton:hover { background: rgb(119, 218, 91); color: black; }"
                     "QToolButton:pressed { background: rgb(96, 196, 70); }"
                     "QToolButton:disabled { color: rgb(110, 130, 150); }"));
}

QToolButton* GradientToolBar::AddButton(const QString& objectName, const QString& caption) {
  auto* button = new QToolButton(this);
  button->setObjectName(objectName);
  button->setText(caption);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  // 78 pixels, unless a caption (in any language) needs more to be read whole.
  button->setMinimumWidth(kButtonWidth);
  button->setFixedHeight(kBarHeight);
  button->setAutoRaise(true);
  addWidget(button);
  return button;
}

void GradientToolBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0.0, QColor(236, 247, 254));
  gradient.setColorAt(0.45, QColor(196, 230, 251));
  gradient.setColorAt(1.0, QColor(118, 198, 247));
  painter.fillRect(rect(), gradient);
  painter.setPen(QColor(92, 160, 206));
  painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}

}  // namespace drivecopy
