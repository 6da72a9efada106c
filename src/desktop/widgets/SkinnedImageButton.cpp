#include "desktop/widgets/SkinnedImageButton.h"

#include <QPainter>
#include <utility>

namespace drivecopy {

SkinnedImageButton::SkinnedImageButton(QPixmap normalImage, QPixmap hoverImage, QWidget* parent)
    : QAbstractButton(parent), normalImage_(std::move(normalImage)), hoverImage_(std::move(hoverImage)) {
  // The images carry their own transparency; the parent's background shows
  // through wherever they are clear.
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  resize(sizeHint());
}

SkinnedImageButton::SkinnedImageButton(ImagePainter imagePainter, const QString& text, QWidget* parent)
    : QAbstractButton(parent), imagePainter_(std::move(imagePainter)) {
  setText(text);
  DrawImagesForText();
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  resize(sizeHint());
}

void SkinnedImageButton::DrawImagesForText() {
  if (!imagePainter_ || text() == drawnText_) return;
  drawnText_ = text();
  normalImage_ = imagePainter_(drawnText_, false);
  hoverImage_ = imagePainter_(drawnText_, true);
}

void SkinnedImageButton::ShowHoverImage(bool hover) {
  hoverShown_ = hover;
  repaint();
}

QSize SkinnedImageButton::sizeHint() const {
  const QPixmap& image = normalImage_.isNull() ? hoverImage_ : normalImage_;
  return image.isNull() ? QSize(0, 0) : image.deviceIndependentSize().toSize();
}

void SkinnedImageButton::paintEvent(QPaintEvent*) {
  DrawImagesForText();
  const QPixmap& image = hoverShown_ ? hoverImage_ : normalImage_;
  if (image.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(QPoint(0, 0), image);
}

void SkinnedImageButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  emit mouseEntered();
}

void SkinnedImageButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  emit mouseLeft();
}

}  // namespace drivecopy
