// Whole operations as a user does them: from the start screen through the
// lists, Next, the operation window and Start, every dialog answered through
// the prompt service, and the bytes compared at the end.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>
#include <fstream>
#include <iterator>
#include <vector>

#include "desktop/application/DesktopWindows.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/widgets/CheckListView.h"
#include "desktop/widgets/LabelButton.h"
#include "desktop/widgets/SkinnedImageButton.h"
#include "gui/support/DesktopFixture.h"
#include "gui/support/ListClicks.h"

using namespace drivecopy;
using namespace drivecopy::test_support;
using Bytes = std::vector<char>;

namespace {

constexpr std::int64_t Sector = 512;
constexpr std::int64_t BadSector = 2100;  // inside partition 1 of the source disk

// Source: 8 MiB, partitions 1 (4 MiB) and 2; Target: partition 1 of the same
// 4 MiB; Spare: an empty, larger drive for the clone; C: holds the files.
const char* const Machine = R"({
  "physicalDrives": [
    { "number": 0, "size": "8 MiB", "model": "Source Disk", "unreadableSectors": [2100],
      "layout": [ { "startSector": 2048, "sectorCount": 8192, "number": 1, "type": "0x07" },
                  { "startSector": 10240, "sectorCount": 4096, "number": 2, "type": "0x0C" } ] },
    { "number": 1, "size": "16 MiB", "model": "Target Disk",
      "layout": [ { "startSector": 4096, "sectorCount": 8192, "number": 1, "type": "0x07" } ] },
    { "number": 2, "size": "12 MiB", "model": "Spare Disk" }
  ],
  "volumes": [ { "letter": "C", "size": "64 MiB" } ],
  "session": { "currentDirectory": "C:\\", "today": "2026-12-10" }
})";

Bytes ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Slice(const Bytes& bytes, std::int64_t firstSector, std::int64_t sectors) {
  if (static_cast<std::int64_t>(bytes.size()) < (firstSector + sectors) * Sector) return {};
  return Bytes(bytes.begin() + firstSector * Sector, bytes.begin() + (firstSector + sectors) * Sector);
}

int RowContaining(const CheckListView& list, const QString& text) {
  const QStringList captions = Captions(list);
  for (int row = 0; row < captions.size(); ++row) {
    if (captions[row].contains(text)) return row;
  }
  qWarning() << "no row with" << text << "in" << captions;
  return -1;
}

struct Program {
  Program() : fixture(Machine), windows(fixture.session), main(windows.Main()) {
    // Every sector of the source disk carries its number and a pattern.
    std::fstream disk(Path(0), std::ios::in | std::ios::out | std::ios::binary);
    for (std::int64_t sector = 0; sector < 16384; ++sector) {
      Bytes bytes(Sector, static_cast<char>(sector * 7 + 1));
      const std::string stamp = "sector " + std::to_string(sector);
      std::copy(stamp.begin(), stamp.end(), bytes.begin());
      disk.write(bytes.data(), Sector);
    }
    main.show();
  }

  std::string Path(int drive) {
    return fixture.machine->ContentPath("\\\\.\\PhysicalDrive" + std::to_string(drive)).value_or("");
  }
  Bytes Content(int drive) { return ReadHostFile(Path(drive)); }
  QString OnC(const QString& name) {
    return QString::fromStdString(fixture.machine->VolumeDirectory('C').value_or("")) + "/" + name;
  }
  CheckListView& List(const char* name) { return *main.findChild<CheckListView*>(name); }
  QStringList MemoLines(QWidget& window, const char* name) {
    return window.findChild<QPlainTextEdit*>(name)->toPlainText().split('\n');
  }
  void Click(QWidget& window, const char* name) {
    QWidget* widget = window.findChild<QWidget*>(name);
    QVERIFY2(widget, name);
    QTest::mouseClick(widget, Qt::LeftButton);
  }

  DesktopFixture fixture;
  DesktopWindows windows;
  MainWindow& main;
};

}  // namespace

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void imageOfAPartitionRestoredOntoAnother() {
    Program program;
    MainWindow& main = program.main;
    const QString image = program.OnC("partition1.img");

    // Create Image, tick partition 1 of the source disk, Next, name the file.
    program.Click(main, "CreateImageButtom");
    CheckListView& drives = program.List("CI_HDDListView");
    ClickRow(drives, RowContaining(drives, "Source Disk"));
    CheckListView& partitions = program.List("CI_PartitionListView");
    ClickCheckBox(partitions, RowContaining(partitions, "Partition: 1;"));
    program.fixture.prompts.QueueFile(image);
    program.Click(main, "HDDNextLabel");
    CreateImageWindow& create = program.windows.CreateImage();
    QVERIFY(create.isVisible());
    QVERIFY(main.isHidden());
    QCOMPARE(create.ImagePathEdit().text(), image);

    // Ask for the log, then Start: the job runs to its end and the window closes.
    program.Click(create, "LogFileCheckBox");
    program.Click(create, "RegOKLabel");
    QVERIFY(!create.isVisible());
    QVERIFY(main.isVisible() && main.isEnabled());
    const QStringList pageMemo = program.MemoLines(main, "CI_HDDMemo");
    // The one unreadable sector is named once.
    QVERIFY2(pageMemo.filter("WARNING: bad sector skipped").filter(QString::number(BadSector)).size() == 1,
             qPrintable(pageMemo.join(" | ")));
    QVERIFY2(pageMemo.contains("Ready"), qPrintable(pageMemo.join(" | ")));
    QVERIFY(QFile::exists(image + ".log"));

    // The image holds partition 1 with the unreadable sector as zeros.
    Bytes expected = Slice(program.Content(0), 2048, 8192);
    std::fill_n(expected.begin() + (BadSector - 2048) * Sector, Sector, '\0');
    QVERIFY(ReadHostFile(image.toStdString()) == expected);

    // Restore Image, choose the file, tick the target's partition, Next, Start, Yes.
    program.fixture.prompts.QueueFile(image);
    program.Click(main, "RestoreImageButtom");
    CheckListView& destinations = program.List("RI_HDDListView");
    ClickRow(destinations, RowContaining(destinations, "Target Disk"));
    CheckListView& destinationPartitions = program.List("RI_PartitionListView");
    ClickCheckBox(destinationPartitions, RowContaining(destinationPartitions, "Partition: 1;"));
    program.Click(main, "RestoreNextLabel");
    RestoreImageWindow& restore = program.windows.RestoreImage();
    QVERIFY(restore.isVisible());
    program.fixture.prompts.QueueAnswer(DialogButton::Yes);
    program.Click(restore, "RegOKLabel");
    QVERIFY(!restore.isVisible());
    QVERIFY(main.isVisible());

    QVERIFY(Slice(program.Content(1), 4096, 8192) == expected);
    QVERIFY(Slice(program.Content(1), 0, 4096) == Bytes(4096 * Sector, '\0'));  // nothing before it
    QVERIFY2(program.fixture.prompts.Unanswered().empty(),
             qPrintable(QStringList(program.fixture.prompts.Unanswered().begin(),
                                    program.fixture.prompts.Unanswered().end())
                            .join(" | ")));
  }

  void driveClonedOntoALargerDrive() {
    Program program;
    MainWindow& main = program.main;
    program.Click(main, "CloneImageButtom");
    CheckListView& drives = program.List("CI_HDDListView");
    ClickCheckBox(drives, RowContaining(drives, "Source Disk"));
    program.Click(main, "HDDNextLabel");
    QCOMPARE(program.MemoLines(main, "CI_HDDMemo").size(), 3);
    QVERIFY(Captions(drives).filter("Source Disk").isEmpty());  // the source left the list

    ClickCheckBox(drives, RowContaining(drives, "Spare Disk"));
    program.Click(main, "HDDNextLabel");
    CloneWindow& clone = program.windows.Clone();
    QVERIFY(clone.isVisible());
    const QStringList pageMemoBefore = program.MemoLines(main, "CI_HDDMemo");
    program.fixture.prompts.QueueAnswer(DialogButton::Yes);
    program.Click(clone, "RegOKLabel");
    // The main window's page notes the time the copy was let go.
    const QStringList pageMemo = program.MemoLines(main, "CI_HDDMemo");
    QCOMPARE(pageMemo.mid(0, pageMemoBefore.size()), pageMemoBefore);
    QCOMPARE(pageMemo.size(), pageMemoBefore.size() + 1);
    QVERIFY2(QRegularExpression("^\\d{1,2}:\\d\\d:\\d\\d").match(pageMemo.last()).hasMatch(),
             qPrintable(pageMemo.last()));

    const QStringList memo = program.MemoLines(clone, "CloneDrivesMemo");
    QVERIFY2(memo.filter(QString::number(BadSector)).size() == 1, qPrintable(memo.join(" | ")));
    Bytes expected = program.Content(0);
    // The clone writes zeros for what it cannot read: the whole chunk around the bad sector.
    const Bytes copied = Slice(program.Content(2), 0, 16384);
    QCOMPARE(copied.size(), expected.size());
    std::int64_t differing = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) differing += expected[i] != copied[i];
    QVERIFY2(differing > 0 && differing <= 128 * Sector, qPrintable(QString::number(differing)));
    QVERIFY(program.fixture.prompts.Unanswered().empty());
    clone.close();
  }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
