#include "desktop/widgets/LabelButton.h"

#include <QEnterEvent>
#include <QMouseEvent>

namespace drivecopy {

LabelButton::LabelButton(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void LabelButton::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  // Like a push button: a press dragged off the label and released elsewhere
  // is no click.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void LabelButton::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  emit mouseEntered();
}

void LabelButton::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  emit mouseLeft();
}

}  // namespace drivecopy
