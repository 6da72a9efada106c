// The main window: start-up language, page switching and captions, the
// start-screen layout and hover cursors, and the Cancel labels.
#include <QFile>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/application/DesktopWindows.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/shared/OverrideCursor.h"
#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/LabelButton.h"
#include "desktop/widgets/SkinnedImageButton.h"
#include "disk/DriveRow.h"
#include "gui/support/DesktopFixture.h"
#include "platform/KindTags.h"

using namespace drivecopy;
using drivecopy::test_support::DesktopFixture;

namespace {

std::string MachineWithLanguage(const QString& storedValue, bool writable = true) {
  QString settings = storedValue.isEmpty() ? "{}" : "{ \"Language\": " + storedValue + " }";
  return QString(R"({ "settings": { "writable": %1, "values": %2 } })")
      .arg(writable ? "true" : "false", settings)
      .toStdString();
}

void Enter(QWidget* widget) {
  QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QCoreApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget) {
  QEvent event(QEvent::Leave);
  QCoreApplication::sendEvent(widget, &event);
}

QString LabelText(QWidget& window, const char* name) {
  auto* label = window.findChild<QLabel*>(name);
  return label ? label->text() : QString("<no %1>").arg(name);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetOverrideCursor(std::nullopt); }

  void storedLanguageDecidesTheStart_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("storedAfterwards");  // -1: nothing stored
    QTest::addColumn<int>("updateStringsRuns");
    QTest::addColumn<QString>("nextLabel");
    QTest::addColumn<QString>("abortText");
    QTest::newRow("missing") << "" << true << 2 << 2 << 1 << "Next"
                             << "&Abort";
    QTest::newRow("0") << "0" << true << 2 << 2 << 1 << "Next"
                       << "&Abort";
    QTest::newRow("7") << "7" << true << 2 << 2 << 1 << "Next"
                       << "&Abort";
    QTest::newRow("a string") << "\"German\"" << true << 2 << 2 << 1 << "Next"
                              << "&Abort";
    QTest::newRow("English") << "2" << true << 2 << 2 << 1 << "Next"
                             << "&Abort";
    QTest::newRow("German") << "1" << true << 1 << 1 << 2 << "Weiter"
                            << "Abbruch";
    QTest::newRow("French") << "4" << true << 4 << 4 << 2 << "Suivant"
                            << "&Abandonner";
    QTest::newRow("German, store not writable") << "1" << false << 2 << 1 << 1 << "Next"
                                                << "&Abort";
  }

  void storedLanguageDecidesTheStart() {
    QFETCH(QString, stored);
    QFETCH(bool, writable);
    QFETCH(int, language);
    QFETCH(int, storedAfterwards);
    QFETCH(int, updateStringsRuns);
    QFETCH(QString, nextLabel);
    QFETCH(QString, abortText);

    DesktopFixture fixture(MachineWithLanguage(stored, writable));
    MainWindow window(fixture.session);
    QCOMPARE(fixture.session.dispatcher.ActiveLanguage(), language);
    QCOMPARE(window.UpdateStringsRuns(), updateStringsRuns);
    QCOMPARE(LabelText(window, "HDDNextLabel"), nextLabel);
    QCOMPARE(QString::fromStdString(fixture.session.texts.strSAbort), abortText);
    const SettingValue after = fixture.machine->ReadSetting("Language");
    QCOMPARE(after.Kind, SettingValue::Type::Number);
    QCOMPARE(static_cast<int>(after.Number), storedAfterwards);
  }

  void languagesReachLabelsAndMessages() {
    const char* labels[] = {"HDDNextLabel", "CancelLabel",      "TntLabel1",
                            "TntLabel2",    "RestoreNextLabel", "TntLabel4"};
    {
      DesktopFixture fixture(MachineWithLanguage("1"));
      MainWindow window(fixture.session);
      for (const char* name : labels) {
        QCOMPARE(window.findChild<QLabel*>(name)->property("charSet").toString(), QString("HANGEUL_CHARSET"));
      }
      QCOMPARE(LabelText(window, "TntLabel4"), QString("Abbruch"));
    }
    {
      DesktopFixture fixture(MachineWithLanguage("3"));
      MainWindow window(fixture.session);
      QCOMPARE(QString::fromStdString(fixture.session.texts.strSDestDrive), QString("コピー先ドライブ:"));
      QCOMPARE(window.findChild<QLabel*>("HDDNextLabel")->property("charSet").toString(),
               QString("SHIFTJIS_CHARSET"));
      QCOMPARE(LabelText(window, "HDDNextLabel"), QString("次へ"));
    }
  }

  // The start-screen buttons draw their caption into their images, in the
  // language of the window's table.
  void startButtonsShowTheirCaptionInTheLanguage() {
    DesktopFixture fixture(MachineWithLanguage("4"));
    MainWindow window(fixture.session);
    auto* create = window.findChild<SkinnedImageButton*>("CreateImageButtom");
    QCOMPARE(create->text(), QString("Cr\u00E9er une image"));
    const QImage drawn = create->grab().toImage();
    const QImage english = artwork::StartButtonImage(artwork::StartButton::CreateImage, false).toImage();
    const QImage french =
        artwork::StartButtonImage(artwork::StartButton::CreateImage, false, create->text()).toImage();
    QVERIFY(drawn.convertToFormat(QImage::Format_ARGB32) != english.convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(french.size(), drawn.size());
  }

  void pagesCarryTheirCaptionsAndColours() {
    DesktopFixture fixture;
    MainWindow window(fixture.session);
    window.show();
    auto* pages = window.findChild<QTabWidget*>("VRZPageControl");
    QVERIFY(pages);
    QCOMPARE(pages->currentWidget()->objectName(), QString("StartScreen"));
    QCOMPARE(window.windowTitle(), QString("Free TALVO Drive Cloning 1.1"));
    QCOMPARE(window.palette().color(QPalette::Window), QColor(127, 179, 211));

    window.CreateImageClick();
    QCOMPARE(fixture.session.jobKind, JobKind::CreateImage);
    QCOMPARE(pages->currentWidget()->objectName(), QString("CreateImageTabSheet"));
    QCOMPARE(window.windowTitle(), QString("Free TALVO Drive Cloning 1.1 - Create Image"));
    auto* inner = window.findChild<QTabWidget*>("CreateImagePageControl");
    QCOMPARE(inner->currentWidget()->objectName(), QString("CI_PhysDrivesTntTabSheet"));

    window.CancelClick();
    window.CloneDrivesClick();
    QCOMPARE(fixture.session.jobKind, JobKind::CloneDrives);
    QCOMPARE(window.windowTitle(), QString("Free TALVO Drive Cloning 1.1 - Clone Image"));

    // No page tab is ever shown.
    for (const char* name : {"VRZPageControl", "CreateImagePageControl", "RestoreImagePageControl"}) {
      QVERIFY2(!window.findChild<QTabWidget*>(name)->tabBar()->isVisible(), name);
    }
  }

  void restoreButtonNeedsAnImageFile() {
    DesktopFixture fixture;
    MainWindow window(fixture.session);
    window.show();
    auto* pages = window.findChild<QTabWidget*>("VRZPageControl");

    fixture.prompts.QueueFile(std::nullopt);  // the chooser is cancelled
    window.RestoreImageClick();
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(fixture.prompts.Requests().back().Choice.Filter,
             QString("Image files (*.img)|*.img| All Files (*.*)|*.*"));

    QTemporaryDir folder;
    const QString image = folder.filePath("disk.img");
    {
      QFile file(image);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(4096));
    }
    fixture.prompts.QueueFile(image);
    window.RestoreImageClick();
    QCOMPARE(fixture.session.jobKind, JobKind::RestoreImage);
    QCOMPARE(pages->currentWidget()->objectName(), QString("RestoreImageTabSheet"));
    QCOMPARE(window.windowTitle(), QString("Free TALVO Drive Cloning 1.1 - Restore Image"));
    QCOMPARE(window.palette().color(QPalette::Window), QColor(255, 255, 255));
    // The page shows the colour (a pixel between the tool bar and the first list).
    QCOMPARE(window.grab().toImage().pixelColor(3, 60), QColor(255, 255, 255));
    QCOMPARE(window.ChosenImagePath(), image);
    QVERIFY(fixture.prompts.Unanswered().empty());
  }

  void startButtonsAreCentredByTheWindowSize() {
    DesktopFixture fixture;
    MainWindow window(fixture.session);
    window.show();
    window.resize(window.minimumSize());  // the smallest outer size
    QCOMPARE(window.frameGeometry().size(), QSize(400, 300));
    auto* create = window.findChild<SkinnedImageButton*>("CreateImageButtom");
    QCOMPARE(create->pos(), QPoint(85, 20));
    QCOMPARE(window.findChild<SkinnedImageButton*>("RestoreImageButtom")->pos(), QPoint(85, 79));
    QCOMPARE(window.findChild<SkinnedImageButton*>("CloneImageButtom")->pos(), QPoint(85, 138));

    window.resize(597, 522);
    const QSize outer = window.frameGeometry().size();
    QCOMPARE(create->pos(), QPoint((outer.width() - 229) / 2, (outer.height() - 259) / 2));
  }

  void hoverLeavesTheArrowOverrideInForce() {
    DesktopFixture fixture;
    MainWindow window(fixture.session);
    window.show();
    auto* create = window.findChild<SkinnedImageButton*>("CreateImageButtom");
    auto* restore = window.findChild<SkinnedImageButton*>("RestoreImageButtom");

    // Create Image gives back what was there before: no override.
    Enter(create);
    QCOMPARE(CurrentOverrideCursor(), std::optional(Qt::PointingHandCursor));
    QVERIFY(create->IsHoverImageShown());
    QCOMPARE(window.CursorBeforeHover(), std::optional<Qt::CursorShape>());
    Leave(create);
    QCOMPARE(CurrentOverrideCursor(), std::optional<Qt::CursorShape>());
    QVERIFY(!create->IsHoverImageShown());

    // Restore Image leaves an explicit arrow, which then outlives further hovers.
    Enter(restore);
    Leave(restore);
    QCOMPARE(CurrentOverrideCursor(), std::optional(Qt::ArrowCursor));
    Enter(create);
    QCOMPARE(window.CursorBeforeHover(), std::optional(Qt::ArrowCursor));
    Leave(create);
    QCOMPARE(CurrentOverrideCursor(), std::optional(Qt::ArrowCursor));

    // Only leaving one of the four hover labels removes the override.
    auto* next = window.findChild<LabelButton*>("HDDNextLabel");
    Enter(next);
    QCOMPARE(CurrentOverrideCursor(), std::optional(Qt::PointingHandCursor));
    Leave(next);
    QCOMPARE(CurrentOverrideCursor(), std::optional<Qt::CursorShape>());
  }

  void cancelClearsTheCloneSelectionExceptOnTheLogicalPage() {
    DesktopFixture fixture(R"({ "physicalDrives": [ { "number": 0, "size": 1048576 } ] })");
    DesktopWindows windows(fixture.session);
    MainWindow& main = windows.Main();
    main.show();
    CloneSelection& selection = windows.Clone().Selection();
    auto choose = [&] {
      DriveRow row;
      row.Record.DevicePath = "\\\\.\\PhysicalDrive0";
      row.Record.Kind = KindPhysicalDrive;
      row.Record.PartitionInfo.PartitionLength = 1048576;
      QVERIFY(selection.Next(*fixture.machine, fixture.session.texts, row));
      QVERIFY(selection.SourceChosen());
    };

    struct Cancel {
      const char* label;
      std::function<void()> openPage;
      bool clears;
    };
    const Cancel cases[] = {
        {"CancelLabel", [&] { main.CloneDrivesClick(); }, true},
        {"TntLabel4", [&] { main.ShowMainPage(2), main.ShowRestoreImagePage(0); }, true},
        {"TntLabel2", [&] { main.CloneDrivesClick(), main.ShowCreateImagePage(1); }, false},
    };
    for (const Cancel& c : cases) {
      c.openPage();
      choose();
      QTest::mouseClick(main.findChild<LabelButton*>(c.label), Qt::LeftButton);
      QCOMPARE(main.findChild<QTabWidget*>("VRZPageControl")->currentIndex(), 0);
      QVERIFY2(selection.SourceChosen() != c.clears, c.label);
      selection.Clear();
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
