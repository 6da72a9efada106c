#include "ui/ShadowFrame.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

namespace drivecopy {

namespace {
constexpr qreal kCornerRadius = 3.0;
// The shadow falls slightly downwards, as under a light from above.
constexpr int kShadowDrop = 2;
}  // namespace

ShadowFrame::ShadowFrame(QWidget* parent) : QWidget(parent), content_(new QWidget(this)) {
  content_->setObjectName(QStringLiteral("ShadowFrameContent"));
  content_->setAutoFillBackground(true);
  QPalette white = content_->palette();
  white.setColor(QPalette::Window, Qt::white);
  content_->setPalette(white);
  setMinimumSize(2 * BorderWidth + 1, 2 * BorderWidth + 1);
}

void ShadowFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  content_->setGeometry(rect().adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth));
}

void ShadowFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  // A soft shadow: rounded rectangles stacked from the outer edge inwards,
  // each adding a little darkness, so that the shade thickens towards the card.
  const QRectF card = QRectF(rect()).adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
  const QRectF shadowCard = card.translated(0, kShadowDrop);
  for (int ring = BorderWidth; ring >= 1; --ring) {
    const qreal spread = ring - 1;
    const qreal t = 1.0 - qreal(ring) / BorderWidth;  // 0 outside .. 1 inside
    const int alpha = int(2 + 7 * t * t);
    painter.setBrush(QColor(20, 40, 60, alpha));
    painter.drawRoundedRect(shadowCard.adjusted(-spread, -spread + 1, spread, spread),
                            kCornerRadius + spread, kCornerRadius + spread);
  }
  // A hairline edge keeps the white card crisp on a white background.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0, 0, 0, 38), 1.0));
  painter.drawRect(card.adjusted(-0.5, -0.5, 0.5, 0.5));
}

}  // namespace drivecopy
