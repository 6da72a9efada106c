#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QtTest>
#include <memory>

#include "desktop/main_window/InfoWindow.h"
#include "desktop/shared/DesktopSession.h"
#include "gui/support/DesktopFixture.h"
#include "platform/sim/SimulatedMachine.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

using namespace drivecopy;

namespace {

// A session on an empty simulated machine in `language`, with a main window
// for the info window to centre over.
struct InfoFixture {
  explicit InfoFixture(int language) : machine(desktop.machine), session(desktop.session) {
    session.dispatcher.SetActiveLanguage(language);
    session.texts = UpdateStrings(MessageCatalogue::Builtin(), language);
    mainWindow.setGeometry(200, 150, 597, 522);
  }

  test_support::DesktopFixture desktop;
  std::unique_ptr<SimulatedMachine>& machine;
  DesktopSession& session;
  QWidget mainWindow;
};

QList<InfoWindow*> VisibleInfoWindows() {
  QList<InfoWindow*> shown;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* info = qobject_cast<InfoWindow*>(window); info != nullptr && info->isVisible()) shown << info;
  return shown;
}

}  // namespace

class InfoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void pageAddresses_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("productPage");
    QTest::addColumn<QString>("startPage");
    QTest::newRow("English") << 2 << "https://talvo.example/talvo-drive-cloning.html"
                             << "https://talvo.example/";
    QTest::newRow("German") << 1 << "https://talvo.example/de/talvo-drive-cloning.html"
                            << "https://talvo.example/de/";
    QTest::newRow("Japanese") << 3 << "https://talvo.example/jp/talvo-drive-cloning.html"
                              << "https://talvo.example/jp/";
    QTest::newRow("French") << 4 << "https://talvo.example/fr/talvo-drive-cloning.html"
                            << "https://talvo.example/fr/";
    QTest::newRow("Italian") << 5 << "https://talvo.example/it/talvo-drive-cloning.html"
                             << "https://talvo.example/it/";
    QTest::newRow("Spanish") << 6 << "https://talvo.example/es/talvo-drive-cloning.html"
                             << "https://talvo.example/es/";
    QTest::newRow("0: English") << 0 << "https://talvo.example/talvo-drive-cloning.html"
                                << "https://talvo.example/";
    QTest::newRow("7: English") << 7 << "https://talvo.example/talvo-drive-cloning.html"
                                << "https://talvo.example/";
  }

  void pageAddresses() {
    QFETCH(int, language);
    QFETCH(QString, productPage);
    QFETCH(QString, startPage);
    QCOMPARE(QString::fromStdString(InfoWindow::PageAddress(language, true)), productPage);
    QCOMPARE(QString::fromStdString(InfoWindow::PageAddress(language, false)), startPage);
  }

  void clickedLinksOpenPagesInTheWindowsLanguage_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("folder");
    QTest::newRow("English") << 2 << "";
    QTest::newRow("German") << 1 << "/de";
    QTest::newRow("Japanese") << 3 << "/jp";
  }

  void clickedLinksOpenPagesInTheWindowsLanguage() {
    QFETCH(int, language);
    QFETCH(QString, folder);
    InfoFixture fixture(language);
    InfoWindow info(fixture.session, fixture.mainWindow);
    info.ShowInFront();
    QVERIFY(QTest::qWaitForWindowExposed(&info));

    QTest::mouseClick(info.findChild<QLabel*>("InternetPageLabel"), Qt::LeftButton);
    QTest::mouseClick(info.findChild<QLabel*>("DataRecoveryLabel"), Qt::LeftButton);
    QTest::mouseClick(info.findChild<QLabel*>("Copyright"), Qt::LeftButton);  // no link

    const std::vector<std::string> expected{
        "https://talvo.example" + folder.toStdString() + "/talvo-drive-cloning.html",
        "https://talvo.example" + folder.toStdString() + "/"};
    QCOMPARE(fixture.machine->OpenedWebAddresses(), expected);
  }

  void germanLabelsComeFromTheTranslator() {
    InfoFixture fixture(1);
    InfoWindow info(fixture.session, fixture.mainWindow);
    QCOMPARE(info.findChild<QLabel*>("InternetPageLabel")->text(),
             QStringLiteral("Internet Seite, Beschreibung"));
    QCOMPARE(info.findChild<QLabel*>("Version")->text(), QStringLiteral("2.00"));
    // A longer text is not cut off.
    const QLabel* link = info.findChild<QLabel*>("InternetPageLabel");
    QVERIFY(link->width() >= link->sizeHint().width());
  }

  void designAndPlaces() {
    InfoFixture fixture(2);
    InfoWindow info(fixture.session, fixture.mainWindow);
    QVERIFY(!info.isVisible());
    QCOMPARE(info.windowTitle(), QStringLiteral("Info"));
    QCOMPARE(info.windowType(), Qt::Tool);
    QVERIFY(info.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(info.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(info.size(), QSize(318, 247));
    QVERIFY(info.findChild<QObject*>("siLangLinked1") != nullptr);

    const struct {
      const char* name;
      QPoint place;
      QString text;
    } labels[] = {
        {"ProductName", {33, 85}, "TALVO Drive Cloning"},
        {"Version", {33, 106}, "2.0"},
        {"InternetPageLabel", {33, 166}, "Internet page, HowTo's "},
        {"DataRecoveryLabel", {33, 187}, "Data Recovery Software"},
        {"Copyright", {33, 209}, QString::fromUtf8("Copyright \u00A9 2026 TALVO Software")},
    };
    for (const auto& expected : labels) {
      const QLabel* label = info.findChild<QLabel*>(expected.name);
      QVERIFY2(label != nullptr, expected.name);
      QCOMPARE(label->mapTo(&info, QPoint(0, 0)), expected.place);
      QCOMPARE(label->text(), expected.text);
      QVERIFY(label->font().bold());
    }
    const QLabel* icon = info.findChild<QLabel*>("ProgramIcon");
    QCOMPARE(icon->mapTo(&info, QPoint(0, 0)), QPoint(120, 22));
    QCOMPARE(icon->pixmap().size(), QSize(65, 57));
    QVERIFY(info.findChild<QLabel*>("InternetPageLabel")->font().underline());
    QCOMPARE(info.findChild<QLabel*>("DataRecoveryLabel")->cursor().shape(), Qt::PointingHandCursor);
  }

  void showingTwiceLeavesOneWindowOverTheMainWindow() {
    InfoFixture fixture(2);
    InfoWindow info(fixture.session, fixture.mainWindow);
    info.ShowInFront();
    info.ShowInFront();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QCOMPARE(VisibleInfoWindows(), QList<InfoWindow*>{&info});
    QVERIFY(!info.isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    const QPoint offset = info.frameGeometry().center() - fixture.mainWindow.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, "centred over the main window");

    // Closing hides it; it can be shown again, again over the main window.
    info.close();
    QVERIFY(VisibleInfoWindows().isEmpty());
    fixture.mainWindow.move(120, 40);
    info.ShowInFront();
    QCOMPARE(VisibleInfoWindows(), QList<InfoWindow*>{&info});
    const QPoint moved = info.frameGeometry().center() - fixture.mainWindow.frameGeometry().center();
    QVERIFY(moved.manhattanLength() <= 2);
  }

  void linksSetTheWindowCursorWhileTheMouseIsOnThem() {
    InfoFixture fixture(2);
    InfoWindow info(fixture.session, fixture.mainWindow);
    QLabel* link = info.findChild<QLabel*>("DataRecoveryLabel");
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(link, &enter);
    QCOMPARE(info.cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    QCOMPARE(info.cursor().shape(), Qt::ArrowCursor);
  }

  void destroyedWindowLeavesTheDispatcher() {
    InfoFixture fixture(2);
    { InfoWindow info(fixture.session, fixture.mainWindow); }
    // A dangling translator would be called here.
    QVERIFY(!fixture.session.dispatcher.SetActiveLanguage(1).has_value());
    InfoWindow again(fixture.session, fixture.mainWindow);
    QCOMPARE(again.findChild<QLabel*>("DataRecoveryLabel")->text(), QStringLiteral("Datenrettunssoftware"));
  }
};

QTEST_MAIN(InfoWindowTest)
#include "InfoWindowTest.moc"
