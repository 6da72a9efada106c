// The main window framed by a real window manager on X11, where the frame is
// known only after the window was shown: the smallest size is an outer size,
// and the start-screen buttons are centred by the outer size from the moment
// the frame is there, not first at the user's first resize.
#include <QtTest>

#include "desktop/main_window/MainWindow.h"
#include "desktop/widgets/SkinnedImageButton.h"
#include "gui/support/DesktopFixture.h"

using namespace drivecopy;
using drivecopy::test_support::DesktopFixture;

namespace {

// Where the start-screen layout puts the Create Image button for an outer size.
QPoint CentredCreateButton(QSize outer) {
  return QPoint((outer.width() - 209 - 20) / 2, (outer.height() - 59 - 200) / 2);
}

}  // namespace

class MainWindowFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void framedWindowKeepsTheOuterRules() {
    DesktopFixture fixture;
    MainWindow window(fixture.session);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(QTest::qWaitFor([&] { return window.frameGeometry().size() != window.size(); }, 5000),
             "the window manager gave the window no frame");
    QTest::qWait(100);  // whatever else the window manager sends at mapping

    auto* create = window.findChild<SkinnedImageButton*>("CreateImageButtom");
    QCOMPARE(create->pos(), CentredCreateButton(window.frameGeometry().size()));

    window.resize(1, 1);  // held at the smallest size
    QVERIFY(QTest::qWaitFor([&] { return window.frameGeometry().size() == QSize(400, 300); }, 5000));
    QCOMPARE(create->pos(), CentredCreateButton(QSize(400, 300)));
    QCOMPARE(window.findChild<SkinnedImageButton*>("CloneImageButtom")->pos(),
             create->pos() + QPoint(0, 118));
  }
};

QTEST_MAIN(MainWindowFrameTest)
#include "MainWindowFrameTest.moc"
