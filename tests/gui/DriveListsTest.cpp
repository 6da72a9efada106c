// The main window's drive, partition and logical drive lists: rows and their
// captions, icons and records, the tick rules, the clone pairing rules, the
// tool buttons and the message shown when no drive can be opened.
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>

#include "desktop/application/DesktopWindows.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/main_window/MainWindowLists.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/widgets/Artwork.h"
#include "gui/support/DesktopFixture.h"
#include "gui/support/ListClicks.h"
#include "platform/KindTags.h"
#include "text/ParagraphLines.h"

using namespace drivecopy;
using drivecopy::test_support::Captions;
using drivecopy::test_support::ClickCheckBox;
using drivecopy::test_support::ClickRow;
using drivecopy::test_support::DesktopFixture;
using drivecopy::test_support::TickedRows;

namespace {

// Drive 0 (IDE) with C: and D:, no drive 1, drive 2 (USB) with E: and a
// damaged entry that ends beyond the drive, and a floppy in A:.
constexpr const char* Machine = R"({
  "physicalDrives": [
    { "number": 0, "size": "64 MiB", "model": "Disk Zero", "interfaceType": "IDE",
      "layout": [ { "startSector": 2048,  "sectorCount": 32768, "number": 1, "type": "0x07" },
                  { "startSector": 34816, "sectorCount": 30720, "number": 2, "type": "0x0C" } ] },
    { "number": 2, "size": "32 MiB", "model": "Stick Two", "interfaceType": "USB", "damagedLayout": true,
      "layout": [ { "startSector": 2048,  "sectorCount": 16384, "number": 1, "type": "0x0C" },
                  { "startSector": 30720, "sectorCount": 40960, "number": 2, "type": "0x07" } ] }
  ],
  "floppies": [ { "letter": "A" } ],
  "volumes": [
    { "letter": "C", "partition": { "drive": 0, "entry": 0 } },
    { "letter": "D", "fileSystem": "FAT32", "partition": { "drive": 0, "entry": 1 } },
    { "letter": "E", "driveType": "removable", "fileSystem": "FAT32", "partition": { "drive": 2, "entry": 0 } }
  ]
})";

QImage IconImage(const QIcon& icon) { return icon.pixmap(32, 32).toImage(); }

struct Page {
  DesktopFixture fixture{Machine};
  DesktopWindows windows{fixture.session};
  MainWindow& main = windows.Main();
  CheckListView& drives = *main.findChild<CheckListView*>("CI_HDDListView");
  CheckListView& partitions = *main.findChild<CheckListView*>("CI_PartitionListView");

  Page() {
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
  }
};

}  // namespace

class DriveListsTest : public QObject {
  Q_OBJECT

 private slots:
  void physicalListShowsFloppiesDrivesAndTheirLetters() {
    Page page;
    page.main.CreateImageClick();
    // Drive 1 is missing: 0 and 2 are listed in order all the same.
    QCOMPARE(Captions(page.drives), QStringList({"A:\\ 1.41 MBytes ", "[ C: D:  ] Disk Zero 64.00 MBytes ",
                                                 "[ E:  ] Stick Two 32.00 MBytes "}));
    QCOMPARE(IconImage(page.drives.item(0)->icon()),
             IconImage(artwork::DriveIcon(artwork::DriveIconKind::Floppy)));
    QCOMPARE(IconImage(page.drives.item(1)->icon()),
             IconImage(artwork::DriveIcon(artwork::DriveIconKind::HardDisk)));
    QCOMPARE(IconImage(page.drives.item(2)->icon()),
             IconImage(artwork::DriveIcon(artwork::DriveIconKind::Usb)));
    const std::optional<DriveRow> floppy = MainWindowLists::RowOf(*page.drives.item(0));
    QVERIFY(floppy);
    QCOMPARE(floppy->Record.Kind, KindFloppy);
    QCOMPARE(floppy->Record.DevicePath, std::string("\\\\.\\A:"));

    // The first row, a floppy, is selected: it names no physical drive.
    QCOMPARE(page.drives.currentRow(), 0);
    QCOMPARE(page.partitions.count(), 0);

    // Selecting the USB drive lists its partition, not the one past its end.
    ClickRow(page.drives, 2);
    QCOMPARE(Captions(page.partitions),
             QStringList({"[ E: ] Stick Two; Partition: 1; Type: FAT32; Size: 8.00 MBytes "}));
    QCOMPARE(IconImage(page.partitions.item(0)->icon()),
             IconImage(artwork::DriveIcon(artwork::DriveIconKind::Usb)));
    QVERIFY(TickedRows(page.drives).isEmpty());  // a click beside the box ticks nothing
    QVERIFY(page.fixture.prompts.Requests().empty());
  }

  void noDriveThatOpensAsksForAdminRights_data() {
    QTest::addColumn<QString>("machine");
    QTest::addColumn<bool>("message");
    // A volume with content of its own: drives are probed, none opens.
    QTest::newRow("volume, no drive") << R"({ "volumes": [ { "letter": "C", "size": "1 MiB" } ] })" << true;
    // Only a floppy: no drive is probed, so nothing is missing.
    QTest::newRow("floppy only") << R"({ "floppies": [ { "letter": "A" } ] })" << false;
  }

  void noDriveThatOpensAsksForAdminRights() {
    QFETCH(QString, machine);
    QFETCH(bool, message);
    DesktopFixture fixture(machine.toStdString());
    DesktopWindows windows(fixture.session);
    windows.Main().CreateImageClick();
    const auto& requests = fixture.prompts.Requests();
    QCOMPARE(requests.size(), message ? std::size_t{1} : std::size_t{0});
    if (!message) return;
    QCOMPARE(requests[0].Title, QString::fromStdString(fixture.session.texts.strSVISTATitle));
    // The box wraps the text itself: only the empty lines between paragraphs stay.
    QCOMPARE(requests[0].Text, QString::fromStdString(JoinParagraphLines(fixture.session.texts.strSVISTA)));
    QVERIFY(!requests[0].Text.contains(QRegularExpression("[^\\n]\\n[^\\n]")));
    QVERIFY(requests[0].Text.startsWith("You need admin rights for this operation!"));
    QCOMPARE(requests[0].Icon, MessageBoxIcon::Information);
  }

  void ticksKeepOneDriveOrOnePartition() {
    Page page;
    page.main.CreateImageClick();
    // A drive's box ticks the drive and all its partitions.
    ClickCheckBox(page.drives, 1);
    QCOMPARE(TickedRows(page.drives), QList<int>({1}));
    QCOMPARE(page.partitions.count(), 2);
    QCOMPARE(TickedRows(page.partitions), QList<int>({0, 1}));
    // Another drive's box moves the tick.
    ClickCheckBox(page.drives, 2);
    QCOMPARE(TickedRows(page.drives), QList<int>({2}));
    QCOMPARE(TickedRows(page.partitions), QList<int>({0}));
    // A partition's box keeps that partition alone and clears the drives.
    ClickRow(page.drives, 1);
    ClickCheckBox(page.partitions, 1);
    QCOMPARE(TickedRows(page.partitions), QList<int>({1}));
    QVERIFY(TickedRows(page.drives).isEmpty());
    // A ticked box clicked again leaves nothing ticked.
    ClickCheckBox(page.partitions, 1);
    QVERIFY(TickedRows(page.partitions).isEmpty());
  }

  void cloneSourceKindDecidesWhatCanBeTicked() {
    Page page;
    page.main.CloneDrivesClick();
    ClickRow(page.drives, 1);
    ClickCheckBox(page.partitions, 0);  // C: of Disk Zero as source
    page.main.CreatePageNextClick();
    QCOMPARE(page.windows.Clone().Selection().Source().Kind, KindPartition);

    // A partition source: a drive's box stays clear, its partitions are listed.
    ClickCheckBox(page.drives, 2);
    QVERIFY(TickedRows(page.drives).isEmpty());
    QCOMPARE(page.partitions.count(), 1);
    ClickCheckBox(page.partitions, 0);
    QCOMPARE(TickedRows(page.partitions), QList<int>({0}));

    // A drive source: a partition's box stays clear, another drive can be ticked.
    page.main.CloneDrivesClick();
    ClickCheckBox(page.drives, 1);
    page.main.CreatePageNextClick();
    QCOMPARE(page.windows.Clone().Selection().Source().Kind, KindPhysicalDrive);
    ClickRow(page.drives, 1);  // Stick Two, now the second row
    ClickCheckBox(page.partitions, 0);
    QVERIFY(TickedRows(page.partitions).isEmpty());
    ClickCheckBox(page.drives, 1);
    QCOMPARE(TickedRows(page.drives), QList<int>({1}));
  }

  void logicalDrivesPageListsVolumes() {
    Page page;
    page.main.CreateImageClick();
    ClickCheckBox(page.drives, 1);
    auto* button = page.main.findChild<QToolButton*>("CI_LogicalDrivesToolButton");
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);

    auto& volumes = *page.main.findChild<CheckListView*>("CI_LogicalDrivesListView");
    QCOMPARE(Captions(volumes), QStringList({"A:\\ 1.41 MBytes ", "C:\\ 16.00 MBytes ", "D:\\ 15.00 MBytes ",
                                             "E:\\ 8.00 MBytes "}));
    QCOMPARE(IconImage(volumes.item(3)->icon()),
             IconImage(artwork::DriveIcon(artwork::DriveIconKind::Removable)));
    QCOMPARE(IconImage(volumes.item(1)->icon()),
             IconImage(artwork::DriveIcon(artwork::DriveIconKind::HardDisk)));
    // The physical lists are emptied, so the ticked drive is no longer a source.
    QCOMPARE(page.drives.count(), 0);
    QCOMPARE(page.main.findChild<QPlainTextEdit*>("CI_LogicalMemo")->toPlainText(),
             QString::fromStdString(page.fixture.session.texts.StrSInfoSelectDriveLetter));
    ClickCheckBox(volumes, 1);
    ClickCheckBox(volumes, 3);
    QCOMPARE(TickedRows(volumes), QList<int>({3}));

    // Physical Drives brings the drives back and empties the volumes.
    QTest::mouseClick(page.main.findChild<QToolButton*>("CI_PhysicalDrivesToolButton"), Qt::LeftButton);
    QCOMPARE(page.drives.count(), 3);
    QCOMPARE(volumes.count(), 0);

    // A clone offers no volumes.
    page.main.CloneDrivesClick();
    QVERIFY(!button->isVisible());
  }
};

QTEST_MAIN(DriveListsTest)
#include "DriveListsTest.moc"
