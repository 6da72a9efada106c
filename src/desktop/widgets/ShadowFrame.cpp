#include "desktop/widgets/ShadowFrame.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QResizeEvent>

namespace drivecopy {

namespace {
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
  painter.setPen(Qt::NoPen);
  // The shadow is built from nine pieces around the card, as a soft blur
  // would leave it: edges are linear fades, corners radial ones, all with the
  // same bell-shaped fall-off. It is cast a little downwards, as by a light
  // from above, so the top border shows less shade than the bottom.
  const QRectF card = QRectF(rect()).adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
  const QRectF caster = card.translated(0, kShadowDrop);
  const qreal reach = BorderWidth - kShadowDrop;

  auto fade = [](QGradient& gradient) {
    static constexpr struct {
      qreal at;
      int alpha;
    } kStops[] = {{0.0, 66}, {0.25, 42}, {0.5, 20}, {0.75, 7}, {1.0, 0}};
    for (const auto& stop : kStops) gradient.setColorAt(stop.at, QColor(8, 30, 54, stop.alpha));
  };
  auto edge = [&](const QRectF& area, const QPointF& from, const QPointF& to) {
    QLinearGradient gradient(from, to);
    fade(gradient);
    painter.fillRect(area, gradient);
  };
  auto corner = [&](const QPointF& centre, const QRectF& area) {
    QRadialGradient gradient(centre, reach);
    fade(gradient);
    painter.fillRect(area, gradient);
  };

  painter.fillRect(caster, QColor(8, 30, 54, 66));
  edge(QRectF(caster.left(), caster.top() - reach, caster.width(), reach), caster.topLeft(),
       caster.topLeft() - QPointF(0, reach));
  edge(QRectF(caster.left(), caster.bottom(), caster.width(), reach), caster.bottomLeft(),
       caster.bottomLeft() + QPointF(0, reach));
  edge(QRectF(caster.left() - reach, caster.top(), reach, caster.height()), caster.topLeft(),
       caster.topLeft() - QPointF(reach, 0));
  edge(QRectF(caster.right(), caster.top(), reach, caster.height()), caster.topRight(),
       caster.topRight() + QPointF(reach, 0));
  corner(caster.topLeft(), QRectF(caster.left() - reach, caster.top() - reach, reach, reach));
  corner(caster.topRight(), QRectF(caster.right(), caster.top() - reach, reach, reach));
  corner(caster.bottomLeft(), QRectF(caster.left() - reach, caster.bottom(), reach, reach));
  corner(caster.bottomRight(), QRectF(caster.right(), caster.bottom(), reach, reach));

  // A hairline edge keeps the white card crisp on a white background.
  painter.setPen(QPen(QColor(8, 30, 54, 30), 1.0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(card.adjusted(-0.5, -0.5, 0.5, 0.5));
}

}  // namespace drivecopy
