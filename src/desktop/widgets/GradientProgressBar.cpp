#include "desktop/widgets/GradientProgressBar.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace drivecopy {

namespace {

struct SchemeColours {
  QColor light, deep, edge;
};

SchemeColours ColoursOf(GradientProgressBar::ColourScheme scheme) {
  if (scheme == GradientProgressBar::ColourScheme::Grass)
    return {QColor(196, 240, 160), QColor(46, 150, 52), QColor(34, 112, 40)};
  return {QColor(178, 224, 252), QColor(24, 104, 196), QColor(18, 78, 150)};
}

}  // namespace

GradientProgressBar::GradientProgressBar(ColourScheme scheme, QWidget* parent)
    : QWidget(parent), scheme_(scheme) {
  setAttribute(Qt::WA_NoSystemBackground);
}

void GradientProgressBar::SetPosition(int position) {
  const int clamped = std::clamp(position, 0, maximum_);
  if (clamped == position_) return;
  position_ = clamped;
  // The job pumps the event queue between chunks; update() is enough then.
  update();
}

void GradientProgressBar::SetMaximum(int maximum) {
  maximum_ = std::max(1, maximum);
  position_ = std::min(position_, maximum_);
  update();
}

QSize GradientProgressBar::sizeHint() const { return {200, 20}; }

void GradientProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const SchemeColours colours = ColoursOf(scheme_);
  const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const qreal radius = std::min<qreal>(4.0, outer.height() / 2.0);

  // Trough: a pale inset with a subtle frame.
  QLinearGradient trough(outer.topLeft(), outer.bottomLeft());
  trough.setColorAt(0.0, QColor(226, 231, 236));
  trough.setColorAt(1.0, QColor(246, 248, 250));
  painter.setPen(QPen(QColor(150, 164, 178), 1.0));
  painter.setBrush(trough);
  painter.drawRoundedRect(outer, radius, radius);

  if (position_ <= 0) return;
  const QRectF inner = outer.adjusted(1.0, 1.0, -1.0, -1.0);
  const qreal filledWidth = inner.width() * position_ / maximum_;
  if (filledWidth < 0.5) return;
  QRectF filled = inner;
  filled.setWidth(filledWidth);

  QPainterPath clip;
  clip.addRoundedRect(inner, std::max<qreal>(0.0, radius - 1), std::max<qreal>(0.0, radius - 1));
  painter.setClipPath(clip);

  QLinearGradient fill(inner.topLeft(), inner.topRight());
  fill.setColorAt(0.0, colours.light);
  fill.setColorAt(1.0, colours.deep);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRect(filled);

  // Gloss on the upper half makes the bar look rounded.
  if (filled.height() >= 4) {
    QLinearGradient gloss(filled.topLeft(), filled.bottomLeft());
    gloss.setColorAt(0.0, QColor(255, 255, 255, 120));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 30));
    gloss.setColorAt(0.51, QColor(255, 255, 255, 0));
    gloss.setColorAt(1.0, QColor(0, 0, 0, 18));
    painter.setBrush(gloss);
    painter.drawRect(filled);
  }
  painter.setPen(QPen(colours.edge, 1.0));
  painter.drawLine(QPointF(filled.right(), filled.top()), QPointF(filled.right(), filled.bottom()));
}

}  // namespace drivecopy
