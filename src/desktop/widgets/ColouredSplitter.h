#pragma once
#include <QColor>
#include <QSplitter>

namespace drivecopy {

// A splitter whose handles are plain bars of one colour. It paints them
// itself rather than through a style sheet, because a style sheet on the
// splitter would give every widget inside it the application's font in place
// of the one it inherits from its window.
class ColouredSplitter : public QSplitter {
 public:
  ColouredSplitter(Qt::Orientation orientation, QColor handleColour, QWidget* parent = nullptr);

 protected:
  QSplitterHandle* createHandle() override;

 private:
  QColor handleColour_;
};

}  // namespace drivecopy
