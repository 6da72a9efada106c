#include "desktop/widgets/Artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

// All pictures are vector drawings on a design grid (the unit given with each
// function) and scaled to the size asked for, so they stay sharp at any size.
namespace drivecopy::artwork {

namespace {

// The colour a start-screen picture is drawn in: blue icons and dark grey
// captions normally, everything green under the mouse.
struct Tint {
  QColor base;     // main body colour
  QColor light;    // highlight end of gradients
  QColor dark;     // outlines and shadows
  QColor caption;  // text
};

Tint NormalTint() {
  return {QColor(34, 113, 191), QColor(120, 186, 240), QColor(18, 66, 122), QColor(58, 62, 68)};
}

Tint HoverTint() {
  return {QColor(46, 163, 72), QColor(140, 224, 120), QColor(24, 104, 42), QColor(34, 136, 58)};
}

QImage TransparentImage(const QSize& size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void SetUpPainter(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

// Scales the painter so that a square design of `unit` fills the middle of
// `size`, keeping its proportions.
void FitDesign(QPainter& painter, const QSizeF& size, qreal unit) {
  const qreal scale = std::min(size.width(), size.height()) / unit;
  painter.translate((size.width() - unit * scale) / 2.0, (size.height() - unit * scale) / 2.0);
  painter.scale(scale, scale);
}

// ---- building blocks of the start-screen icons (design grid of 48) ---------

// A hard disk seen slightly from above: top face, front with activity light.
void DrawHardDisk(QPainter& p, const QRectF& box, const Tint& tint) {
  const qreal topDepth = box.height() * 0.36;
  const QRectF front(box.left(), box.top() + topDepth, box.width(), box.height() - topDepth);
  const qreal slant = box.width() * 0.12;

  QPainterPath top;
  top.moveTo(box.left() + slant, box.top());
  top.lineTo(box.right() - slant, box.top());
  top.lineTo(box.right(), front.top());
  top.lineTo(box.left(), front.top());
  top.closeSubpath();

  QLinearGradient topFill(box.topLeft(), QPointF(box.left(), front.top()));
  topFill.setColorAt(0.0, tint.light.lighter(115));
  topFill.setColorAt(1.0, tint.light);
  p.setPen(QPen(tint.dark, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(topFill);
  p.drawPath(top);

  QLinearGradient frontFill(front.topLeft(), front.bottomLeft());
  frontFill.setColorAt(0.0, tint.base.lighter(112));
  frontFill.setColorAt(1.0, tint.base.darker(118));
  p.setBrush(frontFill);
  p.drawRoundedRect(front, 1.6, 1.6);

  // Vent slits and the activity light.
  p.setPen(QPen(QColor(255, 255, 255, 110), 1.0, Qt::SolidLine, Qt::RoundCap));
  const qreal midY = front.center().y();
  for (int i = 0; i < 4; ++i) {
    const qreal x = front.left() + front.width() * 0.12 + i * front.width() * 0.08;
    p.drawLine(QPointF(x, midY - front.height() * 0.22), QPointF(x, midY + front.height() * 0.22));
  }
  const qreal led = std::max<qreal>(1.6, front.height() * 0.16);
  QRadialGradient glow(QPointF(front.right() - front.width() * 0.14, midY), led * 1.4);
  glow.setColorAt(0.0, QColor(255, 255, 255));
  glow.setColorAt(0.45, QColor(150, 255, 120));
  glow.setColorAt(1.0, QColor(60, 200, 60, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(QPointF(front.right() - front.width() * 0.14, midY), led * 1.4, led * 1.4);
}

// An image file: a sheet with a folded corner and a disc printed on it.
void DrawImageFile(QPainter& p, const QRectF& box, const Tint& tint) {
  const qreal fold = box.width() * 0.32;
  QPainterPath sheet;
  sheet.moveTo(box.topLeft());
  sheet.lineTo(box.right() - fold, box.top());
  sheet.lineTo(box.right(), box.top() + fold);
  sheet.lineTo(box.bottomRight());
  sheet.lineTo(box.bottomLeft());
  sheet.closeSubpath();

  QLinearGradient paper(box.topLeft(), box.bottomRight());
  paper.setColorAt(0.0, QColor(255, 255, 255));
  paper.setColorAt(1.0, QColor(226, 234, 242));
  p.setPen(QPen(tint.dark, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(paper);
  p.drawPath(sheet);

  QPainterPath ear;
  ear.moveTo(box.right() - fold, box.top());
  ear.lineTo(box.right() - fold, box.top() + fold);
  ear.lineTo(box.right(), box.top() + fold);
  ear.closeSubpath();
  p.setBrush(tint.light);
  p.drawPath(ear);

  // The disc: the mark of a disk image.
  const QPointF centre(box.center().x(), box.top() + box.height() * 0.6);
  const qreal radius = box.width() * 0.3;
  QRadialGradient disc(centre - QPointF(radius * 0.4, radius * 0.4), radius * 1.6);
  disc.setColorAt(0.0, tint.light);
  disc.setColorAt(1.0, tint.base);
  p.setPen(QPen(tint.dark, 0.9));
  p.setBrush(disc);
  p.drawEllipse(centre, radius, radius);
  p.setBrush(QColor(255, 255, 255));
  p.drawEllipse(centre, radius * 0.28, radius * 0.28);
}

// A bold arrow along a gentle curve from `from` to `to`, rimmed in white so it
// stands out over the pictures it crosses. Shaft and head are one outline.
void DrawArrow(QPainter& p, const QPointF& from, const QPointF& control, const QPointF& to, const Tint& tint,
               qreal width) {
  const QPointF direction = to - control;
  const QPointF unit = direction / std::hypot(direction.x(), direction.y());
  const QPointF normal(-unit.y(), unit.x());
  const qreal headLength = width * 1.75;
  const qreal headHalfWidth = width * 1.35;
  const QPointF headBase = to - unit * headLength;

  QPainterPath shaft;
  shaft.moveTo(from);
  shaft.quadTo(control, headBase + unit * 0.3);
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setCapStyle(Qt::RoundCap);
  stroker.setJoinStyle(Qt::RoundJoin);

  QPainterPath head;
  head.moveTo(to);
  head.lineTo(headBase + normal * headHalfWidth);
  head.lineTo(headBase - normal * headHalfWidth);
  head.closeSubpath();
  const QPainterPath arrow = stroker.createStroke(shaft).united(head).simplified();

  p.setPen(QPen(QColor(255, 255, 255, 235), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arrow);
  QLinearGradient fill(arrow.boundingRect().topLeft(), arrow.boundingRect().bottomRight());
  fill.setColorAt(0.0, tint.base.lighter(108));
  fill.setColorAt(1.0, tint.dark);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(arrow);
}

void DrawStartIcon(QPainter& p, StartButton button, const Tint& tint) {
  switch (button) {
    case StartButton::CreateImage:
      DrawImageFile(p, QRectF(24, 1, 22, 29), tint);
      DrawHardDisk(p, QRectF(1, 27, 32, 19), tint);
      DrawArrow(p, QPointF(10, 24), QPointF(9, 10), QPointF(22, 10), tint, 3.4);
      break;
    case StartButton::RestoreImage:
      DrawHardDisk(p, QRectF(15, 27, 32, 19), tint);
      DrawImageFile(p, QRectF(2, 1, 22, 29), tint);
      DrawArrow(p, QPointF(26, 9), QPointF(39, 8), QPointF(38.5, 24), tint, 3.4);
      break;
    case StartButton::CloneDrives:
      DrawHardDisk(p, QRectF(1, 3, 30, 18), tint);
      DrawHardDisk(p, QRectF(17, 27, 30, 18), tint);
      DrawArrow(p, QPointF(8, 23), QPointF(8, 36), QPointF(15.5, 36), tint, 3.4);
      break;
  }
}

QString StartCaption(StartButton button) {
  switch (button) {
    case StartButton::CreateImage:
      return QStringLiteral("Create Image");
    case StartButton::RestoreImage:
      return QStringLiteral("Restore Image");
    case StartButton::CloneDrives:
      return QStringLiteral("Clone Drives");
  }
  return {};
}

// ---- drive list icons (design grid of 32) ---------------------------------

void DrawHardDiskIcon(QPainter& p) {
  const Tint steel{QColor(120, 132, 146), QColor(214, 222, 230), QColor(58, 68, 80), {}};
  DrawHardDisk(p, QRectF(2.5, 8.5, 27, 16), steel);
}

void DrawUsbIcon(QPainter& p) {
  // A USB stick lying diagonally: metal plug, blue body, the USB trident.
  p.translate(16, 16);
  p.rotate(-40);
  const QRectF plug(-15, -4.5, 8, 9);
  QLinearGradient metal(plug.topLeft(), plug.bottomLeft());
  metal.setColorAt(0.0, QColor(236, 238, 241));
  metal.setColorAt(1.0, QColor(150, 156, 164));
  p.setPen(QPen(QColor(80, 86, 94), 0.9));
  p.setBrush(metal);
  p.drawRect(plug);
  p.setBrush(QColor(80, 86, 94));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(-13, -2.5, 2, 1.6));
  p.drawRect(QRectF(-13, 0.9, 2, 1.6));

  const QRectF body(-7.5, -6.5, 21, 13);
  QLinearGradient blue(body.topLeft(), body.bottomLeft());
  blue.setColorAt(0.0, QColor(96, 168, 232));
  blue.setColorAt(1.0, QColor(24, 94, 170));
  p.setPen(QPen(QColor(16, 60, 112), 1.0));
  p.setBrush(blue);
  p.drawRoundedRect(body, 3, 3);
  // Trident.
  p.setPen(QPen(QColor(255, 255, 255, 230), 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(-3.5, 0), QPointF(9, 0));
  p.drawLine(QPointF(0, 0), QPointF(2.5, -3));
  p.drawLine(QPointF(2.5, -3), QPointF(5.5, -3));
  p.drawLine(QPointF(2, 0), QPointF(4.5, 3));
  p.drawLine(QPointF(4.5, 3), QPointF(6.5, 3));
  p.setBrush(QColor(255, 255, 255));
  p.drawEllipse(QPointF(-3.5, 0), 1.1, 1.1);
  p.drawRect(QRectF(5.5, -3.8, 1.6, 1.6));
  p.drawEllipse(QPointF(7, 3), 0.9, 0.9);
  QPainterPath tip;
  tip.moveTo(11, -1.6);
  tip.lineTo(11, 1.6);
  tip.lineTo(12.6, 0);
  tip.closeSubpath();
  p.drawPath(tip);
}

void DrawFloppyIcon(QPainter& p) {
  const QRectF body(4, 4, 24, 24);
  QPainterPath shell;
  shell.moveTo(body.left() + 1.5, body.top());
  shell.lineTo(body.right() - 3, body.top());
  shell.lineTo(body.right(), body.top() + 3);
  shell.lineTo(body.right(), body.bottom() - 1.5);
  shell.quadTo(body.right(), body.bottom(), body.right() - 1.5, body.bottom());
  shell.lineTo(body.left() + 1.5, body.bottom());
  shell.quadTo(body.left(), body.bottom(), body.left(), body.bottom() - 1.5);
  shell.lineTo(body.left(), body.top() + 1.5);
  shell.quadTo(body.left(), body.top(), body.left() + 1.5, body.top());
  QLinearGradient dark(body.topLeft(), body.bottomRight());
  dark.setColorAt(0.0, QColor(78, 100, 140));
  dark.setColorAt(1.0, QColor(32, 44, 72));
  p.setPen(QPen(QColor(20, 28, 46), 1.0));
  p.setBrush(dark);
  p.drawPath(shell);

  // Metal shutter with its window.
  const QRectF shutter(body.left() + 6, body.top(), 12, 8.5);
  QLinearGradient metal(shutter.topLeft(), shutter.topRight());
  metal.setColorAt(0.0, QColor(232, 236, 240));
  metal.setColorAt(1.0, QColor(160, 168, 178));
  p.setPen(QPen(QColor(90, 98, 110), 0.8));
  p.setBrush(metal);
  p.drawRect(shutter);
  p.setBrush(QColor(40, 52, 80));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(shutter.left() + 7.5, shutter.top() + 1.5, 2.5, 5.5));

  // Paper label with ruled lines.
  const QRectF label(body.left() + 3.5, body.top() + 12, 17, 12);
  p.setPen(QPen(QColor(180, 186, 196), 0.6));
  p.setBrush(QColor(250, 250, 246));
  p.drawRoundedRect(label, 1, 1);
  p.setPen(QPen(QColor(120, 160, 210), 0.8));
  for (int i = 1; i <= 3; ++i)
    p.drawLine(QPointF(label.left() + 2, label.top() + i * 3),
               QPointF(label.right() - 2, label.top() + i * 3));
}

void DrawRemovableIcon(QPainter& p) {
  // A memory card: the clipped corner and gold contacts say "removable".
  const QRectF card(7, 3, 19, 26);
  QPainterPath shape;
  shape.moveTo(card.left() + 6, card.top());
  shape.lineTo(card.right() - 1.5, card.top());
  shape.quadTo(card.right(), card.top(), card.right(), card.top() + 1.5);
  shape.lineTo(card.right(), card.bottom() - 1.5);
  shape.quadTo(card.right(), card.bottom(), card.right() - 1.5, card.bottom());
  shape.lineTo(card.left() + 1.5, card.bottom());
  shape.quadTo(card.left(), card.bottom(), card.left(), card.bottom() - 1.5);
  shape.lineTo(card.left(), card.top() + 6);
  shape.closeSubpath();
  QLinearGradient body(card.topLeft(), card.bottomRight());
  body.setColorAt(0.0, QColor(92, 104, 120));
  body.setColorAt(1.0, QColor(46, 54, 66));
  p.setPen(QPen(QColor(30, 36, 44), 1.0));
  p.setBrush(body);
  p.drawPath(shape);

  p.setPen(Qt::NoPen);
  QLinearGradient gold(0, card.top(), 0, card.top() + 6);
  gold.setColorAt(0.0, QColor(255, 226, 130));
  gold.setColorAt(1.0, QColor(200, 150, 40));
  p.setBrush(gold);
  for (int i = 0; i < 4; ++i) p.drawRect(QRectF(card.left() + 7 + i * 3, card.top() + 1, 1.8, 5));

  const QRectF label(card.left() + 2.5, card.top() + 10, card.width() - 5, 13);
  QLinearGradient blue(label.topLeft(), label.bottomLeft());
  blue.setColorAt(0.0, QColor(110, 180, 236));
  blue.setColorAt(1.0, QColor(34, 113, 191));
  p.setBrush(blue);
  p.drawRoundedRect(label, 1.2, 1.2);
  p.setPen(QPen(QColor(255, 255, 255, 220), 1.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(label.left() + 3, label.top() + 4.5), QPointF(label.right() - 3, label.top() + 4.5));
  p.drawLine(QPointF(label.left() + 3, label.top() + 8.5), QPointF(label.right() - 6, label.top() + 8.5));
}

QPixmap RenderDriveIcon(DriveIconKind kind, int size) {
  QImage image = TransparentImage(QSize(size, size));
  QPainter painter(&image);
  SetUpPainter(painter);
  FitDesign(painter, QSizeF(size, size), 32);
  switch (kind) {
    case DriveIconKind::HardDisk:
      DrawHardDiskIcon(painter);
      break;
    case DriveIconKind::Usb:
      DrawUsbIcon(painter);
      break;
    case DriveIconKind::Floppy:
      DrawFloppyIcon(painter);
      break;
    case DriveIconKind::Removable:
      DrawRemovableIcon(painter);
      break;
  }
  painter.end();
  return QPixmap::fromImage(image);
}

}  // namespace

QImage StartScreenTile() {
  static const QRgb rows[4] = {qRgb(127, 179, 211), qRgb(128, 179, 211), qRgb(155, 195, 217),
                               qRgb(152, 194, 217)};
  QImage tile(4, 4, QImage::Format_RGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) tile.setPixel(x, y, rows[y]);
  return tile;
}

QPixmap StartButtonImage(StartButton button, bool hover, const QString& givenCaption) {
  const QSize size(209, 59);
  const Tint tint = hover ? HoverTint() : NormalTint();
  QImage image = TransparentImage(size);
  QPainter painter(&image);
  SetUpPainter(painter);

  // A frosted plate keeps icon and caption readable on the striped blue
  // background; its rounded corners stay clear.
  const QRectF plate = QRectF(0, 0, size.width(), size.height()).adjusted(1.5, 1.5, -1.5, -2.5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(10, 40, 70, 40));
  painter.drawRoundedRect(plate.translated(0, 1.5), 9, 9);
  QLinearGradient frost(plate.topLeft(), plate.bottomLeft());
  frost.setColorAt(0.0, QColor(255, 255, 255, hover ? 235 : 215));
  frost.setColorAt(1.0, QColor(240, 247, 252, hover ? 225 : 195));
  painter.setBrush(frost);
  painter.setPen(QPen(hover ? QColor(70, 180, 90, 200) : QColor(255, 255, 255, 230), 1.0));
  painter.drawRoundedRect(plate, 8, 8);

  painter.save();
  painter.translate(9, 6);
  DrawStartIcon(painter, button, tint);
  painter.restore();

  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(16);
  const QString caption = givenCaption.isEmpty() ? StartCaption(button) : givenCaption;
  const QRectF textBox(64, 0, size.width() - 64 - 8, size.height() - 1);
  while (QFontMetricsF(font).horizontalAdvance(caption) > textBox.width() && font.pixelSize() > 9)
    font.setPixelSize(font.pixelSize() - 1);
  painter.setFont(font);
  painter.setPen(tint.caption);
  painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, caption);
  painter.end();
  return QPixmap::fromImage(image);
}

QPixmap ProgramIcon(const QSize& size) {
  QImage image = TransparentImage(size);
  QPainter painter(&image);
  SetUpPainter(painter);
  FitDesign(painter, QSizeF(size), 48);
  // A rounded tile behind the two drives, as application icons have.
  const QRectF tile(1.5, 1.5, 45, 45);
  QLinearGradient backdrop(tile.topLeft(), tile.bottomLeft());
  backdrop.setColorAt(0.0, QColor(250, 253, 255));
  backdrop.setColorAt(1.0, QColor(196, 224, 244));
  painter.setPen(QPen(QColor(96, 146, 190), 1.0));
  painter.setBrush(backdrop);
  painter.drawRoundedRect(tile, 9, 9);

  const Tint blue = NormalTint();
  const Tint green = HoverTint();
  DrawHardDisk(painter, QRectF(4, 6, 28, 16), blue);
  DrawHardDisk(painter, QRectF(17, 26, 27, 16), green);
  DrawArrow(painter, QPointF(8, 23.5), QPointF(8, 35), QPointF(16, 35), blue, 3.4);
  painter.end();
  return QPixmap::fromImage(image);
}

QIcon DriveIcon(DriveIconKind kind) {
  QIcon icon;
  for (const int size : {16, 32, 64}) icon.addPixmap(RenderDriveIcon(kind, size));
  return icon;
}

QPixmap FolderImage() {
  const QSize size(24, 22);
  QImage image = TransparentImage(size);
  QPainter p(&image);
  SetUpPainter(p);
  // Back of the folder with its tab.
  QPainterPath back;
  back.moveTo(2, 5);
  back.quadTo(2, 3.5, 3.5, 3.5);
  back.lineTo(9, 3.5);
  back.lineTo(11, 5.5);
  back.lineTo(20.5, 5.5);
  back.quadTo(22, 5.5, 22, 7);
  back.lineTo(22, 18.5);
  back.lineTo(2, 18.5);
  back.closeSubpath();
  QLinearGradient backFill(0, 3.5, 0, 18.5);
  backFill.setColorAt(0.0, QColor(246, 200, 84));
  backFill.setColorAt(1.0, QColor(214, 150, 30));
  p.setPen(QPen(QColor(160, 108, 16), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(backFill);
  p.drawPath(back);
  // A sheet of paper peeking out.
  p.setPen(QPen(QColor(170, 170, 170), 0.8));
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(QRectF(4.5, 7, 15, 8));
  // Front flap, slightly tilted open.
  QPainterPath front;
  front.moveTo(1.5, 10);
  front.lineTo(22.5, 10);
  front.lineTo(21.5, 18.5);
  front.quadTo(21.3, 19.5, 20.2, 19.5);
  front.lineTo(3.8, 19.5);
  front.quadTo(2.7, 19.5, 2.5, 18.5);
  front.closeSubpath();
  QLinearGradient frontFill(0, 10, 0, 19.5);
  frontFill.setColorAt(0.0, QColor(255, 226, 128));
  frontFill.setColorAt(1.0, QColor(236, 176, 48));
  p.setPen(QPen(QColor(160, 108, 16), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(frontFill);
  p.drawPath(front);
  p.setPen(QPen(QColor(255, 246, 210, 200), 0.8));
  p.drawLine(QPointF(3, 11.2), QPointF(21, 11.2));
  p.end();
  return QPixmap::fromImage(image);
}

}  // namespace drivecopy::artwork
