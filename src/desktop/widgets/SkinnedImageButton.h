#pragma once
#include <QAbstractButton>
#include <QPixmap>
#include <functional>

namespace drivecopy {

// An image button with a normal and a hover image of the same size. It does
// not switch images by itself: the owner decides when the hover image shows
// (the start screen's enter and leave handlers do), so the button only reports
// the mouse entering and leaving and paints the image it was told to show.
// Fully transparent pixels let the background through.
class SkinnedImageButton : public QAbstractButton {
  Q_OBJECT
 public:
  // Draws the normal (false) or hover (true) image showing a caption.
  using ImagePainter = std::function<QPixmap(const QString& caption, bool hover)>;

  SkinnedImageButton(QPixmap normalImage, QPixmap hoverImage, QWidget* parent = nullptr);
  // A button whose images show its text: they are drawn again whenever the
  // text has changed (a translation sets it) before the button is painted.
  SkinnedImageButton(ImagePainter imagePainter, const QString& text, QWidget* parent = nullptr);

  // Shows the hover image (true) or the normal image (false) and repaints at once.
  void ShowHoverImage(bool hover);
  bool IsHoverImageShown() const { return hoverShown_; }

  QSize sizeHint() const override;

 signals:
  void mouseEntered();
  void mouseLeft();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void DrawImagesForText();

  ImagePainter imagePainter_;
  QString drawnText_;
  QPixmap normalImage_;
  QPixmap hoverImage_;
  bool hoverShown_ = false;
};

}  // namespace drivecopy
