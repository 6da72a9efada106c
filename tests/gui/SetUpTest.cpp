// The set-ups behind the start-screen buttons and the Next labels: what the
// create, restore and clone windows receive for the ticked row, the memo
// lines of the pages, and the refusals.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "desktop/application/DesktopWindows.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/CheckListView.h"
#include "gui/support/DesktopFixture.h"
#include "gui/support/ListClicks.h"
#include "platform/KindTags.h"

using namespace drivecopy;
using drivecopy::test_support::Captions;
using drivecopy::test_support::ClickCheckBox;
using drivecopy::test_support::ClickRow;
using drivecopy::test_support::DesktopFixture;
using Request = drivecopy::test_support::ScriptedPromptService::Request;

namespace {

// Drive 0 with C: and D:, drive 1 (a USB stick) with E:, drive 3 of 300
// bytes (less than one sector), and a floppy in A:. Drive rows: A:, 0, 1, 3.
constexpr const char* Machine = R"({
  "physicalDrives": [
    { "number": 0, "size": "64 MiB", "model": "Disk Zero",
      "layout": [ { "startSector": 2048,  "sectorCount": 32768, "number": 1, "type": "0x07" },
                  { "startSector": 34816, "sectorCount": 30720, "number": 2, "type": "0x0C" } ] },
    { "number": 1, "size": "32 MiB", "model": "Stick One", "interfaceType": "USB",
      "layout": [ { "startSector": 2048, "sectorCount": 16384, "number": 1, "type": "0x0C" } ] },
    { "number": 3, "size": 300, "model": "Tiny",
      "geometry": { "cylinders": 2, "tracksPerCylinder": 1, "sectorsPerTrack": 1, "bytesPerSector": 512 } }
  ],
  "floppies": [ { "letter": "A" } ],
  "volumes": [
    { "letter": "C", "partition": { "drive": 0, "entry": 0 } },
    { "letter": "D", "fileSystem": "FAT32", "partition": { "drive": 0, "entry": 1 } },
    { "letter": "E", "driveType": "removable", "fileSystem": "FAT32", "partition": { "drive": 1, "entry": 0 } }
  ]
})";

constexpr int FloppyRow = 0;
constexpr int DiskZeroRow = 1;
constexpr int TinyRow = 3;

QStringList MemoLines(QPlainTextEdit* memo) { return memo->toPlainText().split('\n'); }

struct Desktop {
  DesktopFixture fixture{Machine};
  DesktopWindows windows{fixture.session};
  MainWindow& main = windows.Main();
  const MessageTexts& texts = fixture.session.texts;

  Desktop() {
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
  }
  CheckListView& List(const char* name) { return *main.findChild<CheckListView*>(name); }
  QPlainTextEdit* Memo(const char* name) { return main.findChild<QPlainTextEdit*>(name); }
  std::size_t Count(Request::Kind kind) const {
    std::size_t count = 0;
    for (const Request& request : fixture.prompts.Requests()) count += request.What == kind ? 1 : 0;
    return count;
  }
};

}  // namespace

class SetUpTest : public QObject {
  Q_OBJECT

 private slots:
  void createNextHandsTheSourceToTheCreateWindow_data() {
    QTest::addColumn<bool>("partitionRow");  // else a drive row
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("devicePath");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<QList<qint64>>("starts");
    QTest::addColumn<qint64>("lastSector");
    QTest::addColumn<QString>("description");
    QTest::newRow("partition") << true << 0 << "\\\\.\\PhysicalDrive0" << int(KindPartition) << qint64(2048)
                               << qint64(2048 + 32768) << QList<qint64>{2048} << qint64(2048 + 32768)
                               << "Disk Zero; Partition: 1;\nType: NTFS; Size: 16.00 MBytes ";
    // A whole drive lists the starts of its partitions and ends at the last one.
    QTest::newRow("drive") << false << DiskZeroRow << "\\\\.\\PhysicalDrive0" << int(KindPhysicalDrive)
                           << qint64(0) << qint64(131072) << QList<qint64>{2048, 34816}
                           << qint64(34816 + 30720) << "Disk Zero 64.00 MBytes ";
    QTest::newRow("floppy") << false << FloppyRow << "\\\\.\\A:" << int(KindFloppy) << qint64(0)
                            << qint64(80 * 2 * 18) << QList<qint64>{0} << qint64(80 * 2 * 18)
                            << "Floppy 1.41 MBytes ";
  }

  void createNextHandsTheSourceToTheCreateWindow() {
    QFETCH(bool, partitionRow);
    QFETCH(int, row);
    QFETCH(QString, devicePath);
    QFETCH(int, kind);
    QFETCH(qint64, first);
    QFETCH(qint64, end);
    QFETCH(QList<qint64>, starts);
    QFETCH(qint64, lastSector);
    QFETCH(QString, description);

    Desktop desktop;
    desktop.main.CreateImageClick();
    QCOMPARE(desktop.Memo("CI_HDDMemo")->toPlainText(), Q(desktop.texts.strSInfoSelectDriveandContinue));
    CheckListView& drives = desktop.List("CI_HDDListView");
    if (partitionRow) {
      ClickRow(drives, DiskZeroRow);
      ClickCheckBox(desktop.List("CI_PartitionListView"), row);
    } else {
      ClickCheckBox(drives, row);
    }
    desktop.fixture.prompts.QueueFile(QString("/tmp/chosen.img"));
    desktop.main.CreatePageNextClick();

    CreateImageWindow& create = desktop.windows.CreateImage();
    QCOMPARE(Q(create.DevicePath()), devicePath);
    QCOMPARE(int(create.DeviceKind()), kind);
    QCOMPARE(create.FirstSector(), first);
    QCOMPARE(create.EndSector(), end);
    const ImageHeader& header = create.Header();
    QCOMPARE(QList<qint64>(header.PartitionStarts.begin(), header.PartitionStarts.end()), starts);
    QCOMPARE(header.PartitionCount, int(starts.size()));
    QCOMPARE(header.FirstSector, first);
    QCOMPARE(header.SectorCount, end - first);
    QCOMPARE(header.LastSector, lastSector);
    QCOMPARE(int(header.SourceKind), kind);
    QCOMPARE(create.SourceLabel().text(), description);
    QCOMPARE(desktop.Count(Request::Kind::SaveFile), std::size_t{1});
    QCOMPARE(create.ImagePathEdit().text(), QString("/tmp/chosen.img"));
    QVERIFY(create.isVisible());
    create.close();
  }

  void createNextWithoutAFileNameOpensNothing() {
    Desktop desktop;
    desktop.main.CreateImageClick();
    ClickCheckBox(desktop.List("CI_HDDListView"), DiskZeroRow);
    desktop.fixture.prompts.QueueFile(std::nullopt);
    desktop.main.CreatePageNextClick();
    QVERIFY(!desktop.windows.CreateImage().isVisible());
    QVERIFY(desktop.main.isVisible());
  }

  void rangeWithoutASectorIsRefused_data() {
    QTest::addColumn<int>("jobKind");
    QTest::newRow("create") << 1;
    QTest::newRow("restore") << 2;
    QTest::newRow("clone") << 3;
  }

  void rangeWithoutASectorIsRefused() {
    QFETCH(int, jobKind);
    Desktop desktop;
    QTemporaryDir folder;
    const QString image = folder.filePath("raw.img");
    {
      QFile file(image);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(4096));
    }
    const char* drives = jobKind == 2 ? "RI_HDDListView" : "CI_HDDListView";
    if (jobKind == 1) desktop.main.CreateImageClick();
    if (jobKind == 3) desktop.main.CloneDrivesClick();
    if (jobKind == 2) {
      desktop.fixture.prompts.QueueFile(image);
      desktop.main.RestoreImageClick();
    }
    // Tiny: 300 bytes, less than one sector.
    ClickCheckBox(desktop.List(drives), TinyRow);
    if (jobKind == 2) {
      desktop.main.RestorePageNextClick();
    } else {
      desktop.main.CreatePageNextClick();
    }
    const Request& last = desktop.fixture.prompts.Requests().back();
    QCOMPARE(last.What, Request::Kind::MessageBox);
    QCOMPARE(last.Title, Q(desktop.texts.strSTitleERROR));
    QCOMPARE(last.Text, Q(desktop.texts.strSBADDisk));
    QCOMPARE(last.Icon, MessageBoxIcon::Error);
    QCOMPARE(desktop.Count(Request::Kind::SaveFile), std::size_t{0});
    QVERIFY(!desktop.windows.Clone().Selection().SourceChosen());
    QVERIFY(desktop.main.isVisible());
  }

  void restoreNextHandsTheDestinationToTheRestoreWindow() {
    Desktop desktop;
    QTemporaryDir folder;
    const QString image = folder.filePath("backup.img");
    {
      QFile file(image);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(1 << 20));
    }
    desktop.fixture.prompts.QueueFile(image);
    desktop.main.RestoreImageClick();
    QCOMPARE(MemoLines(desktop.Memo("RI_Memo")),
             QStringList({Q(desktop.texts.StrSImageSize) + " 1.00 MBytes ",
                          Q(desktop.texts.StrSInfoSelectDriveToRestore)}));
    QVERIFY(!desktop.main.findChild<QToolButton*>("RI_LogicalDrivesToolButton")->isVisible());
    QCOMPARE(desktop.List("RI_HDDListView").count(), 4);

    ClickRow(desktop.List("RI_HDDListView"), DiskZeroRow);
    ClickCheckBox(desktop.List("RI_PartitionListView"), 1);
    desktop.main.RestorePageNextClick();

    RestoreImageWindow& restore = desktop.windows.RestoreImage();
    QCOMPARE(restore.DevicePath(), std::string("\\\\.\\PhysicalDrive0"));
    QCOMPARE(restore.FirstSector(), qint64(34816));
    QCOMPARE(restore.EndSector(), qint64(34816 + 30720));
    QCOMPARE(restore.ImageFileName(), image);
    QCOMPARE(restore.DestinationLabel().text(),
             QString("Disk Zero; Partition: 2;\nType: FAT32; Size: 15.00 MBytes "));
    QVERIFY(restore.isVisible());
    restore.close();
  }

  // After a readable image, a missing one or one of 5 bytes: the page keeps
  // no image, so neither Physical Drives nor Next leads to a destination.
  void unreadableImageOffersNoDestination() {
    Desktop desktop;
    QTemporaryDir folder;
    const QString readable = folder.filePath("good.img");
    const QString tiny = folder.filePath("tiny.img");
    for (const auto& [path, size] : {std::pair{readable, 1 << 20}, std::pair{tiny, 5}}) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
    }
    desktop.fixture.prompts.QueueFile(readable);
    desktop.main.RestoreImageClick();
    QCOMPARE(desktop.List("RI_HDDListView").count(), 4);

    for (const QString& unreadable : {folder.filePath("missing.img"), tiny}) {
      desktop.fixture.prompts.QueueFile(unreadable);
      desktop.main.RestoreImageClick();
      const Request& last = desktop.fixture.prompts.Requests().back();
      QCOMPARE(last.What, Request::Kind::MessageBox);
      QCOMPARE(last.Icon, MessageBoxIcon::Error);
      QVERIFY(last.Text.contains(QFileInfo(unreadable).fileName()));
      QCOMPARE(desktop.main.ChosenImagePath(), QString());
      QCOMPARE(desktop.List("RI_HDDListView").count(), 0);

      desktop.main.findChild<QToolButton*>("RI_PhysicalDrivesToolButton")->click();
      QCOMPARE(desktop.List("RI_HDDListView").count(), 0);
      QCOMPARE(desktop.List("RI_PartitionListView").count(), 0);
      desktop.main.RestorePageNextClick();
      QVERIFY(!desktop.windows.RestoreImage().isVisible());
    }
  }

  void cloneNextRecordsSourceThenDestinationThenStartsOver() {
    Desktop desktop;
    CheckListView& drives = desktop.List("CI_HDDListView");
    CheckListView& partitions = desktop.List("CI_PartitionListView");
    CloneWindow& clone = desktop.windows.Clone();
    QPlainTextEdit* memo = desktop.Memo("CI_HDDMemo");
    desktop.main.CloneDrivesClick();

    // First Next: C: becomes the source and leaves its list.
    ClickRow(drives, DiskZeroRow);
    const QString sourceCaption = partitions.item(0)->text();
    ClickCheckBox(partitions, 0);
    desktop.main.CreatePageNextClick();
    QCOMPARE(MemoLines(memo), QStringList({Q(desktop.texts.strSScourceCloneDrivesMemo),
                                           Q(desktop.texts.strSSourceDrive) + sourceCaption,
                                           Q(desktop.texts.strSDestCloneDrivesMemo)}));
    QCOMPARE(Captions(partitions).size(), 1);
    QVERIFY(!Captions(partitions).contains(sourceCaption));
    QCOMPARE(clone.Selection().Source().FirstSector, qint64(2048));
    QVERIFY(!clone.isVisible());

    // Second Next: D: is the destination and the clone window opens.
    ClickCheckBox(partitions, 0);
    desktop.main.CreatePageNextClick();
    QVERIFY(clone.Selection().DestinationChosen());
    QCOMPARE(clone.Selection().Destination().FirstSector, qint64(34816));
    QVERIFY(clone.isVisible());
    QVERIFY(!clone.DestinationLabel().text().isEmpty());

    // Closed by its title bar, the window keeps both; Next starts over with
    // the ticked row as the new source, and the former source is back.
    clone.close();
    QVERIFY(clone.Selection().DestinationChosen());
    QCOMPARE(drivecopy::test_support::TickedRows(partitions), QList<int>({0}));  // D:, still ticked
    desktop.main.CreatePageNextClick();
    QVERIFY(clone.Selection().SourceChosen());
    QVERIFY(!clone.Selection().DestinationChosen());
    QCOMPARE(clone.Selection().Source().FirstSector, qint64(34816));
    QVERIFY(clone.DestinationLabel().text().isEmpty());
    QVERIFY(!clone.isVisible());
    QCOMPARE(MemoLines(memo).size(), 3);
    ClickRow(drives, DiskZeroRow);
    QCOMPARE(Captions(partitions), QStringList({sourceCaption}));
  }

  void wholeDriveSourceLeavesTheDriveList() {
    Desktop desktop;
    CheckListView& drives = desktop.List("CI_HDDListView");
    desktop.main.CloneDrivesClick();
    const QString diskZero = drives.item(DiskZeroRow)->text();
    ClickCheckBox(drives, DiskZeroRow);
    desktop.main.CreatePageNextClick();
    QCOMPARE(drives.count(), 3);
    QVERIFY(!Captions(drives).contains(diskZero));
    QCOMPARE(desktop.windows.Clone().SourceLabel().text(), QString("Disk Zero 64.00 MBytes "));
    // A refill (the clone's Cancel, then Clone Drives) lists it again.
    desktop.main.CancelClick();
    desktop.main.CloneDrivesClick();
    QVERIFY(Captions(drives).contains(diskZero));
  }
};

QTEST_MAIN(SetUpTest)
#include "SetUpTest.moc"
