#include "desktop/widgets/ColouredSplitter.h"

#include <QPainter>
#include <QSplitterHandle>

namespace drivecopy {

namespace {

class ColouredHandle : public QSplitterHandle {
 public:
  ColouredHandle(Qt::Orientation orientation, QSplitter* splitter, QColor colour)
      : QSplitterHandle(orientation, splitter), colour_(colour) {}

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour_); }

 private:
  QColor colour_;
};

}  // namespace

ColouredSplitter::ColouredSplitter(Qt::Orientation orientation, QColor handleColour, QWidget* parent)
    : QSplitter(orientation, parent), handleColour_(handleColour) {}

QSplitterHandle* ColouredSplitter::createHandle() {
  return new ColouredHandle(orientation(), this, handleColour_);
}

}  // namespace drivecopy
