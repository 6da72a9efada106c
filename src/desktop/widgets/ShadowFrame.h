#pragma once
#include <QWidget>

namespace drivecopy {

// A white panel framed by an 11-pixel drop-shadow border (the frame around the
// lists and memos of the main window and around the info window's content).
// Children go into ContentArea(), which lies inside the border.
class ShadowFrame : public QWidget {
  Q_OBJECT
 public:
  static constexpr int BorderWidth = 11;
  explicit ShadowFrame(QWidget* parent = nullptr);

  // The white inner widget; give it a layout or place children on it.
  QWidget* ContentArea() const { return content_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* content_;
};

}  // namespace drivecopy
