#pragma once
#include <QToolBar>

class QToolButton;

namespace drivecopy {

// The pages' tool bar: 22 pixels high, buttons 78 pixels wide with their
// captions shown, a background gradient ending in RGB 118, 198, 247 and a
// hot-track colour of RGB 119, 218, 91 under the mouse.
class GradientToolBar : public QToolBar {
  Q_OBJECT
 public:
  explicit GradientToolBar(QWidget* parent = nullptr);

  // Adds a button (a QToolButton named `objectName`, text beside nothing,
  // caption only) and returns it so the caller can connect its click.
  QToolButton* AddButton(const QString& objectName, const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace drivecopy
