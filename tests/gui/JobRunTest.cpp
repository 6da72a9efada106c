#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/operations/TransferSpeed.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "desktop/widgets/LabelButton.h"
#include "disk/DriveLists.h"
#include "gui/support/DesktopFixture.h"
#include "jobs/CreateImageSetup.h"
#include "jobs/RestoreSetup.h"
#include "text/MessageCatalogue.h"

using namespace drivecopy;
using Bytes = std::vector<char>;

namespace {

constexpr std::int64_t Sector = 512;
constexpr std::int64_t BadSector = 3000;  // in partition 1 of the source disk

// Source disk (8 MiB): partition 1 at 2048 (4 MiB, one unreadable sector),
// partition 2 at 10240 (2 MiB). Target disk (16 MiB): partition 1 free,
// partition 2 under the mounted F:. Big disk (12 MiB): empty. C: holds the
// image files and logs.
const char* const kMachine = R"({
  "physicalDrives": [
    { "number": 0, "size": "8 MiB", "model": "Source Disk", "unreadableSectors": [3000],
      "layout": [ { "startSector": 2048, "sectorCount": 8192, "number": 1, "type": "0x07" },
                  { "startSector": 10240, "sectorCount": 4096, "number": 2, "type": "0x0C" } ] },
    { "number": 1, "size": "16 MiB", "model": "Target Disk",
      "layout": [ { "startSector": 2048, "sectorCount": 12288, "number": 1, "type": "0x07" },
                  { "startSector": 14336, "sectorCount": 16384, "number": 2, "type": "0x07" } ] },
    { "number": 2, "size": "12 MiB", "model": "Big Disk" }
  ],
  "volumes": [
    { "letter": "C", "size": "64 MiB" },
    { "letter": "F", "partition": { "drive": 1, "entry": 1 }, "inUse": true }
  ],
  "session": { "currentDirectory": "C:\\", "today": "2024-03-15" }
})";

const QString kCloseLine = QStringLiteral("To see the cloning result you have to restart the computer.");

Bytes ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Slice(const Bytes& bytes, std::int64_t firstSector, std::int64_t sectors) {
  const auto from = bytes.begin() + firstSector * Sector;
  return Bytes(from, from + sectors * Sector);
}

// The operation log as text: byte-order mark FF FE, then UTF-16LE.
QString ReadLog(const std::string& path) {
  const Bytes bytes = ReadHostFile(path);
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
      static_cast<unsigned char>(bytes[1]) != 0xFE) {
    return QStringLiteral("<no log with a byte-order mark at %1>").arg(QString::fromStdString(path));
  }
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data() + 2),
                            static_cast<qsizetype>((bytes.size() - 2) / 2));
}

QStringList Lines(const OperationMemo& memo) {
  QStringList lines;
  for (const std::string& line : memo.Lines()) lines << QString::fromStdString(line);
  return lines;
}

// The machine above, in English, with a stand-in main window and page memo:
// the set-ups connect the windows' run reports to the memo as the main
// window does.
struct JobFixture {
  JobFixture() : desktop(kMachine) {
    desktop.session.texts = UpdateStrings(MessageCatalogue::Builtin(), 2);
    mainWindow.setGeometry(200, 150, 597, 522);
    pageMemo = new QPlainTextEdit(&mainWindow);
    mainWindow.show();
    // Every sector of the source disk carries its number, so that any
    // misplaced or missing sector shows.
    const std::string sourcePath = Machine().ContentPath("\\\\.\\PhysicalDrive0").value_or("");
    std::fstream disk(sourcePath, std::ios::in | std::ios::out | std::ios::binary);
    for (std::int64_t sector = 0; sector < 16384; ++sector) {
      Bytes bytes(Sector, static_cast<char>(0x5A));
      const std::string stamp = "sector " + std::to_string(sector);
      std::copy(stamp.begin(), stamp.end(), bytes.begin());
      disk.write(bytes.data(), Sector);
    }
  }

  SimulatedMachine& Machine() { return *desktop.machine; }
  Bytes Content(int drive) {
    return ReadHostFile(Machine().ContentPath("\\\\.\\PhysicalDrive" + std::to_string(drive)).value_or(""));
  }
  std::string OnC(const std::string& name) {
    return Machine().VolumeDirectory('C').value_or("") + "/" + name;
  }

  DriveRow DriveRowOf(const std::string& model) {
    for (const DriveRow& row : DriveLists(Machine()).PhysicalDriveRows({}).Rows) {
      if (row.Caption.find(model) != std::string::npos) return row;
    }
    qFatal("no drive row %s", model.c_str());
  }
  DriveRow PartitionRowOf(const std::string& model, int number) {
    const std::string tag = "Partition: " + std::to_string(number) + ";";
    for (const DriveRow& row : DriveLists(Machine()).PartitionRows(DriveRowOf(model).Record, {})) {
      if (row.Caption.find(tag) != std::string::npos) return row;
    }
    qFatal("no partition row %s %d", model.c_str(), number);
  }

  // What Next on the create page does for a row, then the log box ticked.
  void SetUpCreate(CreateImageWindow& window, const DriveRow& row, const QString& imagePath, bool log) {
    const auto source = PrepareCreateSource(Machine(), row.Record, {}, '.');
    QVERIFY(source.has_value());
    window.SetSource(source->DevicePath, source->Kind, source->Range.FirstSector, source->Range.EndSector);
    window.Header() = source->Header;
    window.SourceLabel().setText(QString::fromStdString(source->Description.value_or(row.Caption)));
    window.ImagePathEdit().setText(imagePath);
    QObject::connect(&window, &CreateImageWindow::runEnded, pageMemo, &QPlainTextEdit::setPlainText);
    window.show();
    if (log) window.findChild<QCheckBox*>(QStringLiteral("LogFileCheckBox"))->click();
  }

  // What Next on the restore page does for a row.
  void SetUpRestore(RestoreImageWindow& window, const DriveRow& row, const QString& imagePath) {
    auto destination = RestoreDestinationFromRecord(Machine(), desktop.session.texts, row.Record);
    QVERIFY(destination.ok());
    window.DestinationLabel().setText(QString::fromStdString(destination->Description));
    window.SetRestoreParameters(destination->DevicePath, destination->Range.FirstSector,
                                destination->Range.EndSector);
    window.SetImageFileName(imagePath);
    window.show();
  }

  // The two Next clicks of the clone set-up.
  void SetUpClone(CloneWindow& window, const DriveRow& source, const DriveRow& destination) {
    for (const DriveRow& row : {source, destination}) {
      auto step = window.Selection().Next(Machine(), desktop.session.texts, row);
      QVERIFY(step.ok());
      window.ShowSelectionStep(*step);
    }
    QObject::connect(&window, &CloneWindow::copyLetGo, pageMemo, &QPlainTextEdit::appendPlainText);
    window.show();
  }

  void CheckAllAnswered() {
    const auto& unanswered = desktop.prompts.Unanswered();
    QVERIFY2(unanswered.empty(), unanswered.empty() ? "" : qPrintable(unanswered.front()));
  }

  test_support::DesktopFixture desktop;
  QWidget mainWindow;
  QPlainTextEdit* pageMemo = nullptr;
};

// Presses Cancel from inside the job's pumping once the bar has moved, and
// notes how the window looked while the job ran.
struct CancelDuringRun {
  struct Seen {
    bool Cancelled = false;
    bool StartEnabled = true;
    bool MainWindowHidden = false;
    int Position = -1;
  };

  CancelDuringRun(QWidget& window, GradientProgressBar& bar, LabelButton& start, QWidget& mainWindow,
                  std::function<void()> cancel) {
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&, cancel] {
      if (bar.Position() <= 0 || seen.Cancelled) return;
      seen.Cancelled = true;
      seen.StartEnabled = start.isEnabled();
      seen.MainWindowHidden = mainWindow.isHidden() && !mainWindow.isEnabled() && window.isVisible();
      seen.Position = bar.Position();
      timer.stop();
      cancel();
    });
    timer.start();
  }

  QTimer timer;
  Seen seen;
};

LabelButton& StartOf(QWidget& window) {
  return *window.findChild<LabelButton*>(QStringLiteral("RegOKLabel"));
}

// The first sector (counted from `first`) where `actual` differs from `expected`.
std::int64_t FirstDifferentSector(const Bytes& actual, const Bytes& expected) {
  const auto end = std::min(actual.size(), expected.size());
  for (std::size_t at = 0; at < end; at += Sector) {
    if (!std::equal(actual.begin() + static_cast<std::ptrdiff_t>(at),
                    actual.begin() + static_cast<std::ptrdiff_t>(at + Sector),
                    expected.begin() + static_cast<std::ptrdiff_t>(at))) {
      return static_cast<std::int64_t>(at) / Sector;
    }
  }
  return static_cast<std::int64_t>(end) / Sector;
}

bool AllZero(const Bytes& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

}  // namespace

class JobRunTest : public QObject {
  Q_OBJECT

 private slots:
  // A raw image of a partition with an unreadable sector: the image holds the
  // partition's sectors with zeros for the bad one, the memo names it once,
  // the log saves the memo, the page memo gets a copy, and the window closes.
  void createImageOfAPartition() {
    JobFixture fixture;
    CreateImageWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(window, fixture.PartitionRowOf("Source Disk", 1), QStringLiteral("C:\\part.img"),
                        true);
    window.StartClick();

    QVERIFY(window.isHidden());
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    Bytes expected = Slice(fixture.Content(0), 2048, 8192);
    std::fill_n(expected.begin() + (BadSector - 2048) * Sector, Sector, '\0');
    QVERIFY(ReadHostFile(fixture.OnC("part.img")) == expected);

    const QStringList lines = Lines(window.MemoLines());
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[0].startsWith(QStringLiteral("Source drive:: Source Disk; Partition: 1;\r\n")));
    QCOMPARE(lines[1], QStringLiteral("Creating a log file C:\\part.img.log"));
    QCOMPARE(lines[2], QStringLiteral("WARNING: bad sector skipped @:3000"));
    QVERIFY(lines[3].startsWith(QStringLiteral("File size:")));
    QCOMPARE(lines[4], QStringLiteral("Ready"));
    // Each line shows once in the view, and the page memo holds the same.
    const QString shown = window.Memo().toPlainText();
    QCOMPARE(shown.count(QStringLiteral("bad sector skipped")), 1);
    QVERIFY(shown.endsWith(QStringLiteral("\nReady")));
    QCOMPARE(fixture.pageMemo->toPlainText(), shown);
    QCOMPARE(ReadLog(fixture.OnC("part.img.log")), QString(lines.join(QStringLiteral("\r\n")) + "\r\n"));
    QCOMPARE(window.MainBar().Position(), 100);
    QVERIFY(window.SpeedLabel().text().isEmpty());
    fixture.CheckAllAnswered();
  }

  // Cancel in the middle: the block in progress is finished, the image holds
  // exactly the blocks before the stop, the delete question is asked (No
  // keeps it), and the memo ends with the stop sector. The main window comes
  // back only when the run has ended.
  void createImageCancelledInTheMiddle() {
    JobFixture fixture;
    CreateImageWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(window, fixture.PartitionRowOf("Source Disk", 2), QStringLiteral("C:\\p2.img"),
                        false);
    fixture.desktop.prompts.QueueAnswer(DialogButton::No);  // delete the image?
    CancelDuringRun cancel(window, window.MainBar(), StartOf(window), fixture.mainWindow, [&] {
      window.AbortClick();
      // Closed at once, but the main window waits for the run's end.
      QVERIFY(window.isHidden());
      QVERIFY(fixture.mainWindow.isHidden());
    });
    window.StartClick();

    QVERIFY(cancel.seen.Cancelled);
    QVERIFY(!cancel.seen.StartEnabled);
    QVERIFY(cancel.seen.MainWindowHidden);
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    const Bytes image = ReadHostFile(fixture.OnC("p2.img"));
    const auto sectors = static_cast<std::int64_t>(image.size()) / Sector;
    QVERIFY2(sectors > 0 && sectors < 4096 && sectors % 128 == 0, qPrintable(QString::number(sectors)));
    QVERIFY(image == Slice(fixture.Content(0), 10240, sectors));
    const auto& requests = fixture.desktop.prompts.Requests();
    QCOMPARE(requests.back().Text, QStringLiteral("User abort. Delete image file?"));
    QCOMPARE(requests.back().Type, DialogType::Confirmation);
    const QStringList lines = Lines(window.MemoLines());
    QCOMPARE(lines.back(), QStringLiteral("Operation stopped at sector:%1").arg(10240 + sectors));
    QCOMPARE(fixture.pageMemo->toPlainText(), window.Memo().toPlainText());
    fixture.CheckAllAnswered();
  }

  // A Start click and a new showing that arrive through the job's pumping
  // leave the run alone: no second job starts and nothing of the first is
  // reset. Closing the window to show it again asks the run to stop; it
  // stops after the block in progress and the window closes at its end.
  void startOrShowDuringARunLeavesItAlone() {
    JobFixture fixture;
    CreateImageWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(window, fixture.PartitionRowOf("Source Disk", 2), QStringLiteral("C:\\p2.img"),
                        false);
    fixture.desktop.prompts.QueueAnswer(DialogButton::No);  // delete the image?
    CancelDuringRun during(window, window.MainBar(), StartOf(window), fixture.mainWindow, [&] {
      window.StartClick();
      window.close();
      window.show();
      QVERIFY(window.isVisible());
    });
    window.StartClick();

    QVERIFY(during.seen.Cancelled);
    QVERIFY(window.isHidden());
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    const QStringList lines = Lines(window.MemoLines());
    QVERIFY2(lines.first().startsWith(QStringLiteral("Source drive:")), qPrintable(lines.join(" | ")));
    QCOMPARE(lines.filter(QStringLiteral("Source drive:")).size(), 1);
    QVERIFY(lines.filter(QStringLiteral("Ready")).isEmpty());
    QVERIFY2(lines.last().startsWith(QStringLiteral("Operation stopped at sector:")),
             qPrintable(lines.last()));
    QCOMPARE(fixture.pageMemo->toPlainText(), window.Memo().toPlainText());
    fixture.CheckAllAnswered();
  }

  // Restoring the image of a partition onto another partition writes it there
  // sector for sector and closes the window.
  void restoreOntoAnotherPartition() {
    JobFixture fixture;
    CreateImageWindow create(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(create, fixture.PartitionRowOf("Source Disk", 2), QStringLiteral("C:\\p2.img"),
                        false);
    create.StartClick();

    RestoreImageWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpRestore(window, fixture.PartitionRowOf("Target Disk", 1), QStringLiteral("C:\\p2.img"));
    fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
    window.StartClick();

    QVERIFY(window.isHidden());
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    QVERIFY(Slice(fixture.Content(1), 2048, 4096) == Slice(fixture.Content(0), 10240, 4096));
    QVERIFY(AllZero(Slice(fixture.Content(1), 2048 + 4096, 1)));
    QCOMPARE(Lines(window.MemoLines()), QStringList({"Starting..."}));
    QVERIFY(fixture.desktop.prompts.Requests().back().Text.startsWith(
        QStringLiteral("All data will be overwritten on Target Disk; Partition: 1;")));
    fixture.CheckAllAnswered();
  }

  // "Verify after writing" is cleared whenever the restore or clone window is
  // shown; ticked, the run reads back what it wrote and the memo shows the
  // result, which the restore window keeps in view. The clone's unreadable
  // source sector, written as zeros, is no mismatch.
  void verifyAfterWritingBoxRunsThePass() {
    JobFixture fixture;
    CreateImageWindow create(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(create, fixture.PartitionRowOf("Source Disk", 2), QStringLiteral("C:\\p2.img"),
                        false);
    create.StartClick();

    RestoreImageWindow restore(fixture.desktop.session, fixture.mainWindow);
    CloneWindow clone(fixture.desktop.session, fixture.mainWindow);
    for (OperationWindow* window :
         {static_cast<OperationWindow*>(&restore), static_cast<OperationWindow*>(&clone)}) {
      auto* box = window->findChild<QCheckBox*>(QStringLiteral("VerifyCheckBox"));
      QVERIFY(box != nullptr);
      QCOMPARE(box->text(), QStringLiteral("Verify after writing"));
      if (window == static_cast<OperationWindow*>(&restore)) {
        fixture.SetUpRestore(restore, fixture.PartitionRowOf("Target Disk", 1), QStringLiteral("C:\\p2.img"));
      } else {
        fixture.SetUpClone(clone, fixture.DriveRowOf("Source Disk"), fixture.DriveRowOf("Big Disk"));
      }
      QVERIFY(!box->isChecked());
      box->click();
      fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
      window->StartClick();
      QVERIFY(window->isVisible());
      // The pass ran on the window's main bar to its end.
      QCOMPARE(window->findChild<GradientProgressBar*>(QStringLiteral("ProgressBar"))->Position(), 100);
      QVERIFY(box->isEnabled());
      window->close();
      window->show();
      QVERIFY(!box->isChecked());
      window->close();
    }
    QCOMPARE(Lines(restore.MemoLines()).mid(1),
             QStringList({"Verifying: \\\\.\\PhysicalDrive1 is read back and compared with C:\\p2.img.",
                          "Verification passed: all 4,096 sectors of \\\\.\\PhysicalDrive1 are identical to "
                          "C:\\p2.img."}));
    QVERIFY(restore.Memo().toPlainText().endsWith(QStringLiteral("are identical to C:\\p2.img.")));
    QCOMPARE(
        Lines(clone.MemoLines()).back(),
        QStringLiteral("Verification passed: all 16,384 sectors of \\\\.\\PhysicalDrive2 are identical to "
                       "\\\\.\\PhysicalDrive0."));
    fixture.CheckAllAnswered();
  }

  // Cancel during a restore: the destination holds the image up to a block
  // boundary and nothing after it.
  void restoreCancelledInTheMiddle() {
    JobFixture fixture;
    CreateImageWindow create(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(create, fixture.PartitionRowOf("Source Disk", 2), QStringLiteral("C:\\p2.img"),
                        false);
    create.StartClick();

    RestoreImageWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpRestore(window, fixture.PartitionRowOf("Target Disk", 1), QStringLiteral("C:\\p2.img"));
    fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
    CancelDuringRun cancel(window, window.ProgressBar(), window.StartLabel(), fixture.mainWindow,
                           [&] { window.AbortClick(); });
    window.StartClick();

    QVERIFY(cancel.seen.Cancelled && !cancel.seen.StartEnabled && cancel.seen.MainWindowHidden);
    QVERIFY(window.isHidden());
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    const Bytes written = Slice(fixture.Content(1), 2048, 4096);
    const std::int64_t done = FirstDifferentSector(written, Slice(fixture.Content(0), 10240, 4096));
    QVERIFY2(done > 0 && done < 4096 && done % 128 == 0, qPrintable(QString::number(done)));
    QVERIFY(AllZero(Bytes(written.begin() + done * Sector, written.end())));
    fixture.CheckAllAnswered();
  }

  // A whole drive onto a larger drive: the unreadable sector becomes zeros
  // and a memo line, the memo ends with the closing line, the page memo gets
  // the start time, and the window stays open and ready.
  void cloneDriveOntoALargerDrive() {
    JobFixture fixture;
    CloneWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpClone(window, fixture.DriveRowOf("Source Disk"), fixture.DriveRowOf("Big Disk"));
    fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
    window.StartClick();

    Bytes expected = fixture.Content(0);
    std::fill_n(expected.begin() + BadSector * Sector, Sector, '\0');
    const Bytes big = fixture.Content(2);
    QVERIFY(Slice(big, 0, 16384) == expected);
    QVERIFY(AllZero(Slice(big, 16384, 8192)));
    const QStringList lines = Lines(window.MemoLines());
    QCOMPARE(lines.mid(2), QStringList({"WARNING: bad sector skippedSource Drive @:3000", kCloseLine}));
    QCOMPARE(window.Memo().toPlainText().count(kCloseLine), 1);
    QVERIFY(window.isVisible());
    QVERIFY(window.StartLabel().isEnabled());
    QCOMPARE(window.ProgressBar().Position(), 100);
    QCOMPARE(window.BytesRemainingLabel().text(), QStringLiteral("0"));
    QVERIFY(fixture.mainWindow.isHidden());
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d"))
                 .match(fixture.pageMemo->toPlainText())
                 .hasMatch(),
             qPrintable(fixture.pageMemo->toPlainText()));
    fixture.CheckAllAnswered();
  }

  void clonePartitionOntoAPartition() {
    JobFixture fixture;
    CloneWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpClone(window, fixture.PartitionRowOf("Source Disk", 2),
                       fixture.PartitionRowOf("Target Disk", 1));
    fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
    window.StartClick();

    QVERIFY(Slice(fixture.Content(1), 2048, 4096) == Slice(fixture.Content(0), 10240, 4096));
    QVERIFY(AllZero(Slice(fixture.Content(1), 2048 + 4096, 8192)));
    QCOMPARE(Lines(window.MemoLines()).back(), kCloseLine);
    fixture.CheckAllAnswered();
  }

  // Cancel during a clone with the log ticked: the end step still runs, so
  // the log is written and ends with the closing line.
  void cloneCancelledInTheMiddleIsLogged() {
    JobFixture fixture;
    CloneWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpClone(window, fixture.DriveRowOf("Source Disk"), fixture.DriveRowOf("Big Disk"));
    window.findChild<QCheckBox*>(QStringLiteral("LogFileCheckBox"))->click();
    fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
    CancelDuringRun cancel(window, window.ProgressBar(), window.StartLabel(), fixture.mainWindow,
                           [&] { window.AbortClick(); });
    window.StartClick();

    QVERIFY(cancel.seen.Cancelled && !cancel.seen.StartEnabled && cancel.seen.MainWindowHidden);
    QVERIFY(window.isHidden());
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    const Bytes big = fixture.Content(2);
    const std::int64_t done = FirstDifferentSector(big, fixture.Content(0));
    QVERIFY2(done > 0 && done < 16384 && done % 128 == 0, qPrintable(QString::number(done)));
    QVERIFY(AllZero(Bytes(big.begin() + done * Sector, big.end())));
    const QString log = ReadLog(fixture.OnC("TALVO_Cloning_Log 15.03.2024.txt"));
    QVERIFY2(log.endsWith(kCloseLine + "\r\n"), qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("Creating a log file C:\\TALVO_Cloning_Log 15.03.2024.txt")));
    fixture.CheckAllAnswered();
  }

  // A restore that is refused (a mounted destination) or fails (a damaged
  // image) reaches the user as an error box, the memo names the cause, and
  // the window stays usable: Start enabled, Cancel closes it.
  void refusedOrFailedRestoreLeavesTheWindowUsable_data() {
    QTest::addColumn<int>("destinationPartition");
    QTest::addColumn<bool>("damageImage");
    QTest::addColumn<QString>("cause");
    QTest::newRow("mounted destination") << 2 << false << QStringLiteral("F:");
    QTest::newRow("damaged image") << 1 << true << QStringLiteral("damaged");
  }
  void refusedOrFailedRestoreLeavesTheWindowUsable() {
    QFETCH(int, destinationPartition);
    QFETCH(bool, damageImage);
    QFETCH(QString, cause);
    JobFixture fixture;
    CreateImageWindow create(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpCreate(create, fixture.PartitionRowOf("Source Disk", 2), QStringLiteral("C:\\p2.img"),
                        false);
    // A headed image (the window offers raw only; its hidden choice still counts).
    create.findChild<QRadioButton*>(QStringLiteral("MediumButton"))->setChecked(true);
    create.StartClick();
    if (damageImage) {
      // Bytes inside the first block's zlib stream (header 65, one partition start, block length).
      std::fstream image(fixture.OnC("p2.img"), std::ios::in | std::ios::out | std::ios::binary);
      image.seekp(65 + 8 + 8 + 4);
      image.write("\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 8);
    }
    const Bytes before = fixture.Content(1);

    RestoreImageWindow window(fixture.desktop.session, fixture.mainWindow);
    fixture.SetUpRestore(window, fixture.PartitionRowOf("Target Disk", destinationPartition),
                         QStringLiteral("C:\\p2.img"));
    fixture.desktop.prompts.QueueAnswer(DialogButton::Yes);
    window.StartClick();

    const auto& box = fixture.desktop.prompts.Requests().back();
    QCOMPARE(box.What, test_support::ScriptedPromptService::Request::Kind::MessageBox);
    QCOMPARE(box.Icon, MessageBoxIcon::Error);
    QCOMPARE(box.Title, QStringLiteral("Error"));
    QVERIFY2(box.Text.contains(cause), qPrintable(box.Text));
    QVERIFY(fixture.Content(1) == before);
    QCOMPARE(Lines(window.MemoLines()).back(), box.Text);
    QVERIFY(window.isVisible());
    QVERIFY(window.StartLabel().isEnabled());
    QVERIFY(fixture.mainWindow.isHidden());
    window.AbortClick();
    QVERIFY(window.isHidden());
    QVERIFY(fixture.mainWindow.isVisible() && fixture.mainWindow.isEnabled());
    fixture.CheckAllAnswered();
  }

  // Speed and time left: nothing in the first second, the average since the
  // first report after it, and no more than two changes a second.
  void transferSpeedText() {
    using namespace std::chrono_literals;
    TransferSpeed speed;
    const auto start = TransferSpeed::Clock::time_point{} + 100s;
    const std::int64_t total = 100LL << 20;
    QVERIFY(!speed.Report(0, total, start));
    QVERIFY(!speed.Report(10LL << 20, total, start + 900ms));
    QCOMPARE(QString::fromStdString(*speed.Report(20LL << 20, total, start + 2s)),
             QStringLiteral("10.0 MB/s, 0:08 left"));
    QVERIFY(!speed.Report(25LL << 20, total, start + 2200ms));
    QCOMPARE(QString::fromStdString(*speed.Report(total - (1LL << 20), total, start + 3s, ',')),
             QStringLiteral("33,0 MB/s, 0:00 left"));
    QCOMPARE(QString::fromStdString(TransferSpeedText(700.0, 3725)),
             QStringLiteral("700.0 B/s, 1:02:05 left"));
    QCOMPARE(QString::fromStdString(TransferSpeedText(1.5 * (1LL << 30), 59)),
             QStringLiteral("1.5 GB/s, 0:59 left"));
    QCOMPARE(QString::fromStdString(TransferSpeedText(2048.0, 59, ',', "noch %s")),
             QStringLiteral("2,0 KB/s, noch 0:59"));
  }

  void timeLeftIsWordedByTheWindowsLanguage() {
    test_support::DesktopFixture desktop(kMachine);
    desktop.session.dispatcher.SetActiveLanguage(1);
    desktop.session.texts = UpdateStrings(MessageCatalogue::Builtin(), 1);
    QWidget mainWindow;
    CreateImageWindow create(desktop.session, mainWindow);
    CloneWindow clone(desktop.session, mainWindow);
    QCOMPARE(create.SpeedLabel().property("TimeLeftText").toString(), QStringLiteral("noch %s"));
    QCOMPARE(clone.SpeedLabel().property("TimeLeftText").toString(), QStringLiteral("noch %s"));
  }
};

QTEST_MAIN(JobRunTest)
#include "JobRunTest.moc"
