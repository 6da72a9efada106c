#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/shared/DesktopSession.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"
#include "disk/DriveLists.h"
#include "gui/support/ScriptedPromptService.h"
#include "jobs/ServiceHandling.h"
#include "platform/KindTags.h"
#include "platform/sim/SimulatedMachine.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

using namespace drivecopy;

namespace {

// The demo machine in English, and a main window for the operation windows
// to hide while they are shown.
struct Fixture {
  Fixture() : machine(std::move(MakeDemoMachine().value())), session(*machine, prompts) {
    session.texts = UpdateStrings(MessageCatalogue::Builtin(), 2);
    mainWindow.setGeometry(200, 150, 597, 522);
    mainWindow.show();
  }

  std::unique_ptr<Platform> machine;
  test_support::ScriptedPromptService prompts;
  DesktopSession session;
  QWidget mainWindow;
};

template <typename T>
T& Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("no control %s", name);
  return *child;
}

QStringList MemoLines(QWidget& window, const char* memoName) {
  return Child<QPlainTextEdit>(window, memoName).toPlainText().split(QLatin1Char('\n'));
}

void CheckMainWindowGivenBack(const Fixture& fixture) {
  QVERIFY(fixture.mainWindow.isVisible());
  QVERIFY(fixture.mainWindow.isEnabled());
}

void CheckMainWindowTaken(const Fixture& fixture) {
  QVERIFY(fixture.mainWindow.isHidden());
  QVERIFY(!fixture.mainWindow.isEnabled());
}

}  // namespace

class OperationWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  // Every showing prepares the create window the same way: raw image, the
  // General group over the hidden compression group, the boxes spread out,
  // a fresh memo holding the source line, and the main window put away.
  void createWindowShowPreparesTheWindowEveryTime() {
    Fixture fixture;
    CreateImageWindow window(fixture.session, fixture.mainWindow);
    QVERIFY(window.isHidden());
    QCOMPARE(window.windowTitle(), QStringLiteral("Create Disk Image"));
    QVERIFY(Child<QRadioButton>(window, "MediumButton").isChecked());

    window.SetSource("\\\\.\\PhysicalDrive0", KindPartition, 2048, 2048 + 524288);
    window.SourceLabel().setText(
        QStringLiteral("WDC WD800JB-00JJC0; Partition: 1;\r\nType: NTFS; Size: 256.00 MBytes "));
    for (int showing = 1; showing <= 2; ++showing) {
      window.show();
      QVERIFY(window.isVisible());
      CheckMainWindowTaken(fixture);
      QVERIFY(Child<QRadioButton>(window, "RAWButton").isChecked());
      QVERIFY(Child<QGroupBox>(window, "CompressionGroupBox").isHidden());
      QCOMPARE(Child<QGroupBox>(window, "GeneralGroupBox").geometry().left(), 25);
      QCOMPARE(Child<QGroupBox>(window, "GeneralGroupBox").geometry().width(), 376);
      QCOMPARE(Child<QCheckBox>(window, "LogFileCheckBox").geometry().top(), 31);
      QCOMPARE(Child<QCheckBox>(window, "VirtuellCheckBox").geometry().top(), 63);
      QVERIFY(Child<QCheckBox>(window, "LastPartitionSectorCheckBox").isHidden());
      QVERIFY(Child<QSpinBox>(window, "SpinEdit1").isHidden());
      QVERIFY(Child<QLabel>(window, "RetriesLabel").isHidden());
      QVERIFY(Child<QCheckBox>(window, "ShadowCopyCheckBox").isHidden());
      QCOMPARE(MemoLines(window, "CreateImageMemo"),
               QStringList(
                   {"Source drive:: WDC WD800JB-00JJC0; Partition: 1;", "Type: NTFS; Size: 256.00 MBytes "}));
      QCOMPARE(window.MemoLines().Lines().size(), std::size_t{1});
      QVERIFY(!window.Stopped());
      QCOMPARE(window.MainBar().Position(), 0);

      window.MainBar().SetPosition(40);  // left over from a run
      window.close();
      QVERIFY(window.Stopped());
      CheckMainWindowGivenBack(fixture);
    }
  }

  // "Read only valid partitions" stays hidden; it is offered (enabled) only
  // for a whole drive or a floppy, and showing clears it.
  void readOnlyValidPartitionsOfferedForWholeDevicesOnly_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("physical drive") << int(KindPhysicalDrive) << true;
    QTest::newRow("floppy") << int(KindFloppy) << true;
    QTest::newRow("partition") << int(KindPartition) << false;
    QTest::newRow("fixed volume") << int(KindFixedVolume) << false;
    QTest::newRow("removable volume") << int(KindRemovableVolume) << false;
  }
  void readOnlyValidPartitionsOfferedForWholeDevicesOnly() {
    QFETCH(int, kind);
    QFETCH(bool, enabled);
    Fixture fixture;
    CreateImageWindow window(fixture.session, fixture.mainWindow);
    window.SetSource("\\\\.\\PhysicalDrive0", static_cast<std::uint8_t>(kind), 0, 1000);
    window.Header().SectorCount = 1000;
    window.Header().LastSector = 600;
    Child<QCheckBox>(window, "LastPartitionSectorCheckBox").setChecked(true);
    QCOMPARE(window.EndSector(), std::int64_t{600});
    window.show();
    auto& box = Child<QCheckBox>(window, "LastPartitionSectorCheckBox");
    QCOMPARE(box.isEnabled(), enabled);
    QVERIFY(!box.isChecked());
    QCOMPARE(window.EndSector(), std::int64_t{1000});
    window.close();
  }

  // The option boxes write their lines; the log line names the image path
  // whole, extension included, with ".log" after it.
  void optionBoxesWriteTheirMemoLines() {
    Fixture fixture;
    CreateImageWindow window(fixture.session, fixture.mainWindow);
    window.SetSource("\\\\.\\PhysicalDrive0", KindPhysicalDrive, 0, 1048576);
    window.Header().FirstSector = 0;
    window.Header().SectorCount = 1048576;
    window.Header().LastSector = 1048576 - 2048;
    window.SourceLabel().setText(QStringLiteral("WDC WD800JB-00JJC0 512.00 MBytes "));
    window.show();
    window.ImagePathEdit().setText(QStringLiteral("D:\\backup\\disk.img"));

    Child<QCheckBox>(window, "LogFileCheckBox").click();
    Child<QCheckBox>(window, "VirtuellCheckBox").click();
    Child<QCheckBox>(window, "LogFileCheckBox").click();
    Child<QCheckBox>(window, "VirtuellCheckBox").click();
    // Hidden, but its rule still moves the end of the range.
    Child<QCheckBox>(window, "LastPartitionSectorCheckBox").setChecked(true);
    QCOMPARE(window.EndSector(), std::int64_t{1048576 - 2048});
    Child<QCheckBox>(window, "LastPartitionSectorCheckBox").setChecked(false);
    QCOMPARE(window.EndSector(), std::int64_t{1048576});

    QCOMPARE(MemoLines(window, "CreateImageMemo"),
             QStringList({"Source drive:: WDC WD800JB-00JJC0 512.00 MBytes ",
                          "Creating a log file D:\\backup\\disk.img.log", "Virtal: no data are written.",
                          "No log file is written", "Writing data to image file",
                          "Reading 511.00 MBytes  up to sector: 1046528",
                          "Reading 512.00 MBytes  from source drive"}));
    // What the log will save is what the memo shows.
    QCOMPARE(window.MemoLines().Lines().size(), std::size_t{7});
    window.close();
  }

  // The folder button takes a new name directly, asks before taking the name
  // of an existing file (No keeps the old path), and opens with the name it
  // returned last.
  void folderButtonAsksBeforeTakingAnExistingFile() {
    Fixture fixture;
    { QVERIFY(fixture.machine->Open("C:\\exists.img", OpenMode::CreateAlways).ok()); }
    QVERIFY(fixture.machine->FileExists("C:\\exists.img"));
    CreateImageWindow window(fixture.session, fixture.mainWindow);
    window.show();
    auto& path = window.ImagePathEdit();
    auto& folder = Child<QAbstractButton>(window, "openfile");

    fixture.prompts.QueueFile(QStringLiteral("C:\\new.img"));
    folder.click();
    QCOMPARE(path.text(), QStringLiteral("C:\\new.img"));

    fixture.prompts.QueueFile(QStringLiteral("C:\\exists.img"));
    fixture.prompts.QueueAnswer(DialogButton::No);
    folder.click();
    QCOMPARE(path.text(), QStringLiteral("C:\\new.img"));

    fixture.prompts.QueueFile(QStringLiteral("C:\\exists.img"));
    fixture.prompts.QueueAnswer(DialogButton::Yes);
    folder.click();
    QCOMPARE(path.text(), QStringLiteral("C:\\exists.img"));

    fixture.prompts.QueueFile(std::nullopt);  // cancelled: nothing changes
    folder.click();
    QCOMPARE(path.text(), QStringLiteral("C:\\exists.img"));

    const auto& requests = fixture.prompts.Requests();
    QCOMPARE(requests.size(), std::size_t{6});
    QCOMPARE(requests[0].Choice.Title, QStringLiteral("Save Disk Image"));
    QCOMPARE(requests[0].Choice.DefaultExtension, QStringLiteral("img"));
    QCOMPARE(requests[0].Choice.Filter, QStringLiteral("Image files (*.img)|*.img| All Files (*.*)|*.*"));
    QCOMPARE(requests[1].Choice.InitialPath, QStringLiteral("C:\\new.img"));
    QCOMPARE(requests[2].Type, DialogType::Confirmation);
    QCOMPARE(requests[2].Text, QStringLiteral("File C:\\exists.img exists. Override?"));
    QVERIFY(requests[2].Buttons == std::vector<DialogButton>({DialogButton::Yes, DialogButton::No}));
    QVERIFY(fixture.prompts.Unanswered().empty());
    window.close();
  }

  // Cancel while no job runs just closes the window and gives the main window back.
  void createWindowCancelClosesAndGivesTheMainWindowBack() {
    Fixture fixture;
    CreateImageWindow window(fixture.session, fixture.mainWindow);
    window.show();
    CheckMainWindowTaken(fixture);
    Child<QCheckBox>(window, "VirtuellCheckBox").setEnabled(false);  // as a run leaves it
    window.AbortClick();
    QVERIFY(window.isHidden());
    QVERIFY(window.Stopped());
    QVERIFY(Child<QCheckBox>(window, "VirtuellCheckBox").isEnabled());
    CheckMainWindowGivenBack(fixture);
  }

  void restoreWindowCaptionsAndShowPreparation() {
    Fixture fixture;
    RestoreImageWindow window(fixture.session, fixture.mainWindow);
    QVERIFY(window.isHidden());
    QCOMPARE(window.windowTitle(), QStringLiteral("Restore disk Image"));
    QCOMPARE(Child<QLabel>(window, "TntLabel2").text(), QStringLiteral("Destination Drive"));
    QCOMPARE(Child<QLabel>(window, "TntLabel1").text(), QStringLiteral("Bytes Remaining:"));
    QCOMPARE(Child<LabelButton>(window, "RegOKLabel").text(), QStringLiteral("Start"));
    QCOMPARE(Child<LabelButton>(window, "RegCancelLabel").text(), QStringLiteral("&Abort"));
    QCOMPARE(window.ProgressBar().Scheme(), GradientProgressBar::ColourScheme::Sky);

    window.DestinationLabel().setText(QStringLiteral("Kingston DataTraveler 2.0 USB Device 256.00 MBytes "));
    window.SetRestoreParameters("\\\\.\\PhysicalDrive1", 0, 524288);
    window.SetImageFileName(QStringLiteral("C:\\disk.img"));
    window.AppendMemoLine("Starting...");  // a line of an earlier run
    window.ProgressBar().SetPosition(70);
    window.SetStopped(true);
    window.show();
    CheckMainWindowTaken(fixture);
    QVERIFY(!window.Stopped());
    QCOMPARE(window.ProgressBar().Position(), 0);
    QCOMPARE(MemoLines(window, "CreateImageMemo"), QStringList({"Starting..."}));
    const RestoreImageParameters parameters = window.JobParameters();
    QCOMPARE(QString::fromStdString(parameters.DevicePath), QStringLiteral("\\\\.\\PhysicalDrive1"));
    QCOMPARE(parameters.EndSector, std::int64_t{524288});
    QCOMPARE(QString::fromStdString(parameters.ImagePath), QStringLiteral("C:\\disk.img"));
    QCOMPARE(QString::fromStdString(parameters.Description),
             QStringLiteral("Kingston DataTraveler 2.0 USB Device 256.00 MBytes "));

    window.AbortClick();
    QVERIFY(window.isHidden());
    QVERIFY(window.Stopped());
    CheckMainWindowGivenBack(fixture);
  }

  // The clone window is designed in German; its caption and group come from
  // its table, its labels from the message texts, and it names the clone in
  // the main window's caption.
  void cloneWindowCaptions() {
    Fixture fixture;
    CloneWindow window(fixture.session, fixture.mainWindow);
    QVERIFY(window.isHidden());
    QCOMPARE(window.windowTitle(), QStringLiteral("Clone Drives"));
    QCOMPARE(Child<QGroupBox>(window, "TntGroupBox2").title(), QStringLiteral("General"));
    QCOMPARE(Child<QLabel>(window, "ScourceLabel").text(), QStringLiteral("Source drive:"));
    QCOMPARE(Child<QLabel>(window, "DestLabel").text(), QStringLiteral("Destination Drive"));
    QCOMPARE(Child<QCheckBox>(window, "LogFileCheckBox").text(), QStringLiteral("Write log file"));
    QCOMPARE(Child<LabelButton>(window, "RegCancelLabel").text(), QStringLiteral("&Abort"));
    QCOMPARE(fixture.mainWindow.windowTitle(), QStringLiteral("TALVO Drive Cloning 1.1 - Clone Image"));
    QVERIFY(Child<QCheckBox>(window, "ShadowCopyCheckBox").isHidden());
  }

  // The clone memo has both scroll bars; the corner between them is drawn
  // in the memo's own colours, not in the window's blue.
  void cloneMemoCornerKeepsTheWindowBlueOut() {
    Fixture fixture;
    CloneWindow window(fixture.session, fixture.mainWindow);
    window.show();
    auto& memo = Child<QPlainTextEdit>(window, "CloneDrivesMemo");
    const QImage drawn = memo.grab().toImage();
    QScrollBar* across = memo.horizontalScrollBar();
    QScrollBar* down = memo.verticalScrollBar();
    const QPoint corner(down->mapTo(&memo, down->rect().center()).x(),
                        across->mapTo(&memo, across->rect().center()).y());
    QCOMPARE_NE(drawn.pixelColor(corner), window.palette().color(QPalette::Window));
    QCOMPARE(drawn.pixelColor(corner), memo.palette().color(QPalette::Window));
    QVERIFY(across->isVisible() && down->isVisible());
  }

  // The restore and clone windows' "Verify after writing" box, in each
  // language: its caption from the window's table, whole within its parent,
  // and clear of every other visible control there.
  void verifyBoxFitsInEveryLanguage() {
    const QStringList captions = {
        QStringLiteral("Nach dem Schreiben \u00FCberpr\u00FCfen"),
        QStringLiteral("Verify after writing"),
        QStringLiteral("\u66F8\u304D\u8FBC\u307F\u5F8C\u306B\u691C\u8A3C\u3059\u308B"),
        QStringLiteral("V\u00E9rifier apr\u00E8s l'\u00E9criture"),
        QStringLiteral("Verifica dopo la scrittura"),
        QStringLiteral("Verificar despu\u00E9s de escribir")};
    Fixture fixture;
    RestoreImageWindow restore(fixture.session, fixture.mainWindow);
    CloneWindow clone(fixture.session, fixture.mainWindow);
    for (int language = 1; language <= 6; ++language) {
      fixture.session.dispatcher.SetActiveLanguage(language);
      for (QWidget* window : {static_cast<QWidget*>(&restore), static_cast<QWidget*>(&clone)}) {
        window->show();
        const QCheckBox& box = Child<QCheckBox>(*window, "VerifyCheckBox");
        const QString where = window->objectName() + QStringLiteral(" language ") + QString::number(language);
        QCOMPARE(box.text(), captions[language - 1]);
        const QWidget& parent = *box.parentWidget();
        QVERIFY2(parent.rect().contains(box.geometry()), qPrintable(where));
        QVERIFY2(box.width() >= box.sizeHint().width(), qPrintable(where + QStringLiteral(": caption cut")));
        for (const QObject* child : parent.children()) {
          const auto* other = qobject_cast<const QWidget*>(child);
          // The frame's white ground lies under every control of its page.
          if (other == nullptr || other == &box || other->isHidden() ||
              other->objectName() == QStringLiteral("ShadowFrameContent")) {
            continue;
          }
          QVERIFY2(!other->geometry().intersects(box.geometry()),
                   qPrintable(where + QStringLiteral(" meets ") + other->objectName()));
        }
        window->close();
      }
    }
  }

  // Showing ticks the shadow copy box exactly when the service runs; the
  // selection, recorded through the set-up's steps, is cleared by Cancel,
  // while the memo keeps every line.
  void cloneWindowShowAndCancelClearsTheSelection() {
    Fixture fixture;
    CloneWindow window(fixture.session, fixture.mainWindow);
    auto& shadowCopy = Child<QCheckBox>(window, "ShadowCopyCheckBox");

    DriveLists lists(*fixture.machine);
    const std::vector<DriveRow> drives = lists.PhysicalDriveRows({}).Rows;
    auto disk = std::find_if(drives.begin(), drives.end(), [](const DriveRow& row) {
      return row.Caption.find("WDC") != std::string::npos;
    });
    QVERIFY(disk != drives.end());
    const std::vector<DriveRow> partitions = lists.PartitionRows(disk->Record, {});
    QVERIFY(partitions.size() >= 2);
    for (const DriveRow& row : {partitions[0], partitions[1]}) {
      auto step = window.Selection().Next(*fixture.machine, fixture.session.texts, row);
      QVERIFY(step.ok());
      window.ShowSelectionStep(*step);
    }
    QVERIFY(window.Selection().SourceChosen() && window.Selection().DestinationChosen());
    QVERIFY(window.SourceLabel().text().contains(QStringLiteral("Partition: 1;")));
    QVERIFY(window.DestinationLabel().text().contains(QStringLiteral("Partition: 2;")));
    const QStringList setupLines = MemoLines(window, "CloneDrivesMemo");
    QCOMPARE(setupLines.size(), 2);
    QVERIFY(setupLines[0].startsWith(QStringLiteral("Source drive:")));
    QVERIFY(setupLines[1].startsWith(QStringLiteral("Destination Drive")));

    window.show();
    CheckMainWindowTaken(fixture);
    QVERIFY(!shadowCopy.isChecked());
    window.close();
    // Closing by the title bar keeps the selection.
    QVERIFY(window.Selection().DestinationChosen());

    QVERIFY(StartServiceAndWait(*fixture.machine, "", "VSS"));
    window.show();
    QVERIFY(shadowCopy.isChecked());
    QVERIFY(shadowCopy.isHidden());
    window.AbortClick();
    QVERIFY(window.isHidden());
    QVERIFY(window.Stopped());
    CheckMainWindowGivenBack(fixture);
    QVERIFY(!window.Selection().SourceChosen());
    QVERIFY(!window.Selection().DestinationChosen());
    QVERIFY(window.Selection().Source() == CloneEndpoint{});
    QCOMPARE(MemoLines(window, "CloneDrivesMemo"), setupLines);
  }

  // Start and Abort under the mouse: the create and restore windows' labels
  // turn green and show the hand (Start not while a stop is asked), the clone
  // window's only show the hand; leaving gives back the dark grey and the
  // default cursor.
  void commandLabelsAnswerTheMouse_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("turnsGreen");
    QTest::newRow("create") << QStringLiteral("create") << true;
    QTest::newRow("restore") << QStringLiteral("restore") << true;
    QTest::newRow("clone") << QStringLiteral("clone") << false;
  }
  void commandLabelsAnswerTheMouse() {
    QFETCH(QString, window);
    QFETCH(bool, turnsGreen);
    Fixture fixture;
    std::unique_ptr<OperationWindow> shown;
    if (window == QLatin1String("create")) {
      shown = std::make_unique<CreateImageWindow>(fixture.session, fixture.mainWindow);
    } else if (window == QLatin1String("restore")) {
      shown = std::make_unique<RestoreImageWindow>(fixture.session, fixture.mainWindow);
    } else {
      shown = std::make_unique<CloneWindow>(fixture.session, fixture.mainWindow);
    }
    const QColor grey(76, 76, 76);
    const QColor green(69, 196, 97);
    auto textColour = [](const LabelButton& label) { return label.palette().color(QPalette::WindowText); };
    for (const char* name : {"RegOKLabel", "RegCancelLabel"}) {
      auto& label = Child<LabelButton>(*shown, name);
      QCOMPARE(textColour(label), grey);
      emit label.mouseEntered();
      QCOMPARE(textColour(label), turnsGreen ? green : grey);
      QVERIFY(label.testAttribute(Qt::WA_SetCursor));
      QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
      emit label.mouseLeft();
      QCOMPARE(textColour(label), grey);
      QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
    }
    shown->SetStopped(true);
    auto& start = Child<LabelButton>(*shown, "RegOKLabel");
    emit start.mouseEntered();
    QCOMPARE(start.testAttribute(Qt::WA_SetCursor), !turnsGreen);
  }

  // The clone log line names the file the run writes, which ends in ".txt".
  void cloneLogBoxNamesTheCloneLog() {
    Fixture fixture;
    CloneWindow window(fixture.session, fixture.mainWindow);
    Child<QCheckBox>(window, "LogFileCheckBox").click();
    Child<QCheckBox>(window, "LogFileCheckBox").click();
    const QStringList lines = MemoLines(window, "CloneDrivesMemo");
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Creating a log file C:\\TALVO_Cloning_Log ")) &&
                 lines[0].endsWith(QStringLiteral(".txt")),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], QStringLiteral("No log file is written"));
    QVERIFY(window.JobParameters().WriteLog == false);
  }
};

QTEST_MAIN(OperationWindowsTest)
#include "OperationWindowsTest.moc"
