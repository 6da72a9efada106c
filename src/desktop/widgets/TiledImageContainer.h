#pragma once
#include <QImage>
#include <QWidget>

namespace drivecopy {

// A container whose background is a small image repeated over its whole area
// (the start screen's 4 x 4 tile). Children sit on top of the tiles.
class TiledImageContainer : public QWidget {
  Q_OBJECT
 public:
  explicit TiledImageContainer(QImage tile, QWidget* parent = nullptr);
  const QImage& Tile() const { return tile_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage tile_;
};

}  // namespace drivecopy
