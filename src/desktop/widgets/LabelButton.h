#pragma once
#include <QLabel>

namespace drivecopy {

// A label used as a button (Next, Cancel, Start): it reports a left click and
// the mouse entering and leaving. Hover colours and cursors are the owner's
// business; the label changes nothing by itself.
class LabelButton : public QLabel {
  Q_OBJECT
 public:
  explicit LabelButton(const QString& text = QString(), QWidget* parent = nullptr);

 signals:
  void clicked();
  void mouseEntered();
  void mouseLeft();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
};

}  // namespace drivecopy
