// The widget set's own promises: the drawn artwork, the image button that only
// reports the mouse, the check-box list whose hit test matches what it paints
// and which leaves ticking to its owner, the progress bar's range and the
// translation hooks of the status bar and the list.
#include <QEnterEvent>
#include <QListWidgetItem>
#include <QPainter>
#include <QtTest>

#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/CheckListView.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/PanelStatusBar.h"
#include "desktop/widgets/SkinnedImageButton.h"

using drivecopy::CheckListView;
using drivecopy::GradientProgressBar;
using drivecopy::PanelStatusBar;
using drivecopy::SkinnedImageButton;
namespace artwork = drivecopy::artwork;

Q_DECLARE_METATYPE(artwork::StartButton)

namespace {

QPixmap SolidPixmap(const QColor& colour, bool clearTopLeftCorner) {
  QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
  image.fill(colour);
  if (clearTopLeftCorner)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) image.setPixel(x, y, qRgba(0, 0, 0, 0));
  return QPixmap::fromImage(image);
}

// The bounding box of the pixels that differ between two renderings.
QRect DifferingPixels(const QImage& before, const QImage& after) {
  QRect box;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x)
      if (before.pixel(x, y) != after.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

struct ClickRecord {
  QListWidgetItem* item = nullptr;
  CheckListView::HitArea area = CheckListView::HitArea::Nothing;
  int count = 0;
};

}  // namespace

class WidgetSetTest : public QObject {
  Q_OBJECT

 private slots:
  void startScreenTileHasTheFourRowColours() {
    const QImage tile = artwork::StartScreenTile();
    QCOMPARE(tile.size(), QSize(4, 4));
    const QRgb rows[4] = {qRgb(127, 179, 211), qRgb(128, 179, 211), qRgb(155, 195, 217), qRgb(152, 194, 217)};
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) QCOMPARE(QColor(tile.pixel(x, y)), QColor(rows[y]));
  }

  void startButtonImages_data() {
    QTest::addColumn<artwork::StartButton>("button");
    QTest::newRow("create") << artwork::StartButton::CreateImage;
    QTest::newRow("restore") << artwork::StartButton::RestoreImage;
    QTest::newRow("clone") << artwork::StartButton::CloneDrives;
  }

  void startButtonImages() {
    QFETCH(artwork::StartButton, button);
    const QImage normal = artwork::StartButtonImage(button, false).toImage();
    const QImage hover = artwork::StartButtonImage(button, true).toImage();
    for (const QImage& image : {normal, hover}) {
      QCOMPARE(image.size(), QSize(209, 59));
      QVERIFY(image.hasAlphaChannel());
      for (const QPoint corner : {QPoint(0, 0), QPoint(208, 0), QPoint(0, 58), QPoint(208, 58)})
        QCOMPARE(qAlpha(image.pixel(corner)), 0);
    }
    QVERIFY(normal != hover);
    // Each button shows its own picture, not a neighbour's.
    const auto other = button == artwork::StartButton::CloneDrives ? artwork::StartButton::CreateImage
                                                                   : artwork::StartButton::CloneDrives;
    QVERIFY(normal != artwork::StartButtonImage(other, false).toImage());
  }

  void imageButtonReportsTheMouseAndPaintsTheImageItWasTold() {
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(0, 255, 0));
    parent.setPalette(palette);
    parent.resize(60, 40);
    auto* button = new SkinnedImageButton(SolidPixmap(QColor(255, 0, 0), true),
                                          SolidPixmap(QColor(0, 0, 255), true), &parent);
    button->move(10, 10);
    QCOMPARE(button->size(), QSize(20, 10));
    QSignalSpy entered(button, &SkinnedImageButton::mouseEntered);
    QSignalSpy left(button, &SkinnedImageButton::mouseLeft);

    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QApplication::sendEvent(button, &enter);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 0);
    // The owner decides about the hover image; entering alone changes nothing.
    QVERIFY(!button->IsHoverImageShown());
    QCOMPARE(QColor(parent.grab().toImage().pixel(20, 15)), QColor(255, 0, 0));

    button->ShowHoverImage(true);
    QVERIFY(button->IsHoverImageShown());
    QImage shot = parent.grab().toImage();
    QCOMPARE(QColor(shot.pixel(20, 15)), QColor(0, 0, 255));
    // The image's transparent corner lets the parent's background through.
    QCOMPARE(QColor(shot.pixel(10, 10)), QColor(0, 255, 0));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QCOMPARE(left.count(), 1);
    QVERIFY(button->IsHoverImageShown());
    button->ShowHoverImage(false);
    QCOMPARE(QColor(parent.grab().toImage().pixel(20, 15)), QColor(255, 0, 0));
  }

  void checkListHitTestFindsTheBoxWhereItIsPaintedAndClicksLeaveTickingToTheOwner() {
    CheckListView view;
    view.resize(400, 300);
    auto* first = new QListWidgetItem(artwork::DriveIcon(artwork::DriveIconKind::HardDisk),
                                      QStringLiteral("PhysicalDrive0\n250.00 GBytes "), &view);
    first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
    first->setCheckState(Qt::Unchecked);
    auto* second = new QListWidgetItem(artwork::DriveIcon(artwork::DriveIconKind::Usb),
                                       QStringLiteral("PhysicalDrive1"), &view);
    second->setFlags(second->flags() | Qt::ItemIsUserCheckable);
    second->setCheckState(Qt::Unchecked);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // Where the box is painted: the pixels that change when the row is ticked.
    const QImage unchecked = view.viewport()->grab().toImage();
    first->setCheckState(Qt::Checked);
    const QImage checked = view.viewport()->grab().toImage();
    first->setCheckState(Qt::Unchecked);
    const QRect painted = DifferingPixels(unchecked, checked);
    QVERIFY(!painted.isEmpty());
    const QRect row = view.visualItemRect(first);
    QVERIFY(row.contains(painted));

    // The hit test's box covers what is painted and little else of the row.
    QRect box;
    QListWidgetItem* hit = nullptr;
    for (int y = row.top(); y <= row.bottom(); ++y)
      for (int x = row.left(); x <= row.right(); ++x)
        if (view.HitTest(QPoint(x, y), &hit) == CheckListView::HitArea::CheckBox) {
          QCOMPARE(hit, first);
          box |= QRect(x, y, 1, 1);
        }
    QVERIFY(box.contains(painted));
    QVERIFY(box.width() * box.height() * 6 < row.width() * row.height());
    // The icon above the text is the row, not its box.
    const QPoint iconCentre(row.center().x(), row.top() + 4 + view.iconSize().height() / 2);
    QCOMPARE(view.HitTest(iconCentre, &hit), CheckListView::HitArea::Row);
    QCOMPARE(hit, first);
    const QPoint emptySpace(view.viewport()->width() - 5, view.viewport()->height() - 5);
    QCOMPARE(view.HitTest(emptySpace, &hit), CheckListView::HitArea::Nothing);
    QVERIFY(hit == nullptr);

    ClickRecord record;
    connect(&view, &CheckListView::itemClickedAt, this,
            [&record](QListWidgetItem* item, CheckListView::HitArea area) {
              record.item = item;
              record.area = area;
              ++record.count;
            });
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, painted.center());
    QCOMPARE(record.count, 1);
    QCOMPARE(record.item, first);
    QCOMPARE(record.area, CheckListView::HitArea::CheckBox);
    QCOMPARE(first->checkState(), Qt::Unchecked);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, iconCentre);
    QCOMPARE(record.count, 2);
    QCOMPARE(record.area, CheckListView::HitArea::Row);
    QCOMPARE(first->checkState(), Qt::Unchecked);
    QCOMPARE(view.currentItem(), first);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, emptySpace);
    QCOMPARE(record.count, 2);
  }

  void progressBarKeepsItsPositionInRange() {
    GradientProgressBar bar(GradientProgressBar::ColourScheme::Sky);
    QCOMPARE(bar.Maximum(), 100);
    bar.SetPosition(150);
    QCOMPARE(bar.Position(), 100);
    bar.SetPosition(-5);
    QCOMPARE(bar.Position(), 0);
    bar.SetPosition(80);
    bar.SetMaximum(50);
    QCOMPARE(bar.Position(), 50);
    bar.SetMaximum(0);
    QCOMPARE(bar.Maximum(), 1);
    QCOMPARE(bar.Position(), 1);
    // A full bar paints without trouble at any height, the thin buffer bar too.
    GradientProgressBar thin(GradientProgressBar::ColourScheme::Grass);
    thin.resize(300, 5);
    thin.SetPosition(100);
    QVERIFY(!thin.grab().isNull());
  }

  void translationTablesReachPanelsAndColumnCaptions() {
    PanelStatusBar status({150, 50});
    QVERIFY(QMetaObject::invokeMethod(&status, "setCollectionText", Q_ARG(QString, QStringLiteral("Panels")),
                                      Q_ARG(int, 1), Q_ARG(QString, QStringLiteral("Text")),
                                      Q_ARG(QString, QStringLiteral("Bereit"))));
    QCOMPARE(status.PanelText(1), QStringLiteral("Bereit"));
    status.setCollectionText(QStringLiteral("Panels"), 7, QStringLiteral("Text"), QStringLiteral("x"));
    status.setCollectionText(QStringLiteral("Columns"), 0, QStringLiteral("Text"), QStringLiteral("x"));
    QCOMPARE(status.PanelText(0), QString());
    QCOMPARE(status.PanelText(7), QString());

    CheckListView list;
    QVERIFY(QMetaObject::invokeMethod(&list, "setCollectionText", Q_ARG(QString, QStringLiteral("Columns")),
                                      Q_ARG(int, 2), Q_ARG(QString, QStringLiteral("Caption")),
                                      Q_ARG(QString, QStringLiteral("Größe"))));
    QCOMPARE(list.ColumnCaption(2), QStringLiteral("Größe"));
    QCOMPARE(list.ColumnCaption(0), QString());
    QCOMPARE(list.ColumnCaption(9), QString());
  }
};

QTEST_MAIN(WidgetSetTest)
#include "WidgetSetTest.moc"
