// The desktop windows on the real Linux backend: an image of a partition of
// a loop disk this test made, created from the start screen as a user does,
// equals what dd reads from that range.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QtTest>
#include <memory>

#include "../JobTestSupport.h"
#include "../LoopDevice.h"
#include "desktop/application/DesktopWindows.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/main_window/MainWindowLists.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/shared/DesktopSession.h"
#include "desktop/widgets/CheckListView.h"
#include "gui/support/ListClicks.h"
#include "gui/support/ScriptedPromptService.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

using test_support::Ext4SourceDisk;
using test_support::ScratchDirectory;

// Qt needs one application object for the whole program; the windows are
// drawn offscreen. It is never destroyed: destroying it during the exit of
// the program, after Qt's own statics, crashes.
QApplication& Application() {
  static int argc = 1;
  static char name[] = "drivecopy_desktop_device_tests";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// The row of `list` whose record is `devicePath` (and, for a partition, starts at `firstSector`).
int RowOfDevice(const CheckListView& list, const std::string& devicePath, std::int64_t firstSector = -1) {
  for (int row = 0; row < list.count(); ++row) {
    const std::optional<DriveRow> drive = MainWindowLists::RowOf(*list.item(row));
    if (!drive || drive->Record.DevicePath != devicePath) continue;
    if (firstSector < 0 ||
        drive->Record.Layout.PartitionEntry[drive->Record.EntryIndex].StartingOffset == firstSector * 512) {
      return row;
    }
  }
  return -1;
}

TEST(DesktopOnLinux, ImageOfALoopPartitionFromTheWindowsEqualsDd) {
  SKIP_WITHOUT_LOOP_DEVICES();
  Application();
  Ext4SourceDisk source;
  ScratchDirectory scratch;
  const std::string image = scratch.File("from-the-windows.img");

  auto platform = MakeLinuxPlatform();
  test_support::ScriptedPromptService prompts;
  DesktopSession session(*platform, prompts);
  DesktopWindows windows(session);
  MainWindow& main = windows.Main();
  main.show();

  QTest::mouseClick(main.findChild<QWidget*>("CreateImageButtom"), Qt::LeftButton);
  auto& drives = *main.findChild<CheckListView*>("CI_HDDListView");
  const int disk = RowOfDevice(drives, source.Loop().DevicePath());
  ASSERT_GE(disk, 0) << "the loop disk is not listed: "
                     << test_support::Captions(drives).join(" | ").toStdString();
  test_support::ClickRow(drives, disk);
  auto& partitions = *main.findChild<CheckListView*>("CI_PartitionListView");
  const int partition = RowOfDevice(partitions, source.Loop().DevicePath(), Ext4SourceDisk::kFirstSector);
  ASSERT_GE(partition, 0) << test_support::Captions(partitions).join(" | ").toStdString();
  test_support::ClickCheckBox(partitions, partition);

  prompts.QueueFile(QString::fromStdString(image));
  QTest::mouseClick(main.findChild<QWidget*>("HDDNextLabel"), Qt::LeftButton);
  CreateImageWindow& create = windows.CreateImage();
  ASSERT_TRUE(create.isVisible());
  QTest::mouseClick(create.findChild<QWidget*>("RegOKLabel"), Qt::LeftButton);
  EXPECT_FALSE(create.isVisible());
  EXPECT_TRUE(prompts.Unanswered().empty());

  const std::string copied = scratch.File("dd.img");
  auto dd = test_support::RunCommand("dd if=" + test_support::ShellQuoted(source.Loop().DevicePath()) +
                                     " of=" + test_support::ShellQuoted(copied) +
                                     " bs=512 skip=" + std::to_string(Ext4SourceDisk::kFirstSector) +
                                     " count=" + std::to_string(Ext4SourceDisk::kPartitionSectors) +
                                     " iflag=direct status=none 2>&1");
  ASSERT_EQ(dd.ExitCode, 0) << dd.Output;
  const std::int64_t bytes = Ext4SourceDisk::kPartitionSectors * 512;
  const auto imageBytes = test_support::FileBytes(image, 0, bytes + 1);
  ASSERT_EQ(imageBytes.size(), static_cast<std::size_t>(bytes));
  EXPECT_TRUE(imageBytes == test_support::FileBytes(copied, 0, bytes));
}

}  // namespace
}  // namespace drivecopy
