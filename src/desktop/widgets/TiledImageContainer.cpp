#include "desktop/widgets/TiledImageContainer.h"

#include <QPaintEvent>
#include <QPainter>
#include <utility>

namespace drivecopy {

TiledImageContainer::TiledImageContainer(QImage tile, QWidget* parent)
    : QWidget(parent), tile_(std::move(tile)) {
  setAttribute(Qt::WA_OpaquePaintEvent, !tile_.isNull() && !tile_.hasAlphaChannel());
}

void TiledImageContainer::paintEvent(QPaintEvent* event) {
  if (tile_.isNull()) return;
  QPainter painter(this);
  // The brush is anchored at the widget's origin, so the tile rows line up
  // with the top edge whatever part is repainted.
  painter.fillRect(event->rect(), QBrush(tile_));
}

}  // namespace drivecopy
