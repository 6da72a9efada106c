#include "desktop/application/DemoTour.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "desktop/main_window/InfoWindow.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/main_window/MainWindowLists.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/widgets/CheckListView.h"
#include "desktop/widgets/GradientProgressBar.h"
#include "platform/KindTags.h"

namespace drivecopy {
namespace {

// The first row of a disk (not a floppy), whose partitions are worth showing.
QListWidgetItem* FirstDiskRow(const CheckListView& drives) {
  for (int row = 0; row < drives.count(); ++row) {
    const std::optional<DriveRow> drive = MainWindowLists::RowOf(*drives.item(row));
    if (drive && drive->Record.DriveNumber >= 0) return drives.item(row);
  }
  return nullptr;
}

// Lets layouts settle and pending paints happen before a window is looked at.
void Settle() {
  for (int round = 0; round < 3; ++round) QApplication::processEvents();
}

// The row of `list` whose record satisfies `wanted`, or null.
QListWidgetItem* RowWhere(const CheckListView& list, const std::function<bool(const DriveRecord&)>& wanted) {
  for (int row = 0; row < list.count(); ++row) {
    const std::optional<DriveRow> drive = MainWindowLists::RowOf(*list.item(row));
    if (drive && wanted(drive->Record)) return list.item(row);
  }
  return nullptr;
}

bool IsDrive(const DriveRecord& record, int number) {
  return record.Kind == KindPhysicalDrive && record.DriveNumber == number;
}

// Runs `start` (a job's Start) and stops at `window` once, as `name`, when the
// job's bar has passed a third of the way.
bool StopWhileRunning(const TourStop& stop, const QString& name, QWidget& window,
                      const GradientProgressBar& bar, const std::function<void()>& start) {
  bool shot = false;
  bool ok = true;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (shot || bar.Position() < 33) return;
    shot = true;
    ok = stop(name, window);
  });
  timer.start();  // its ticks come through the job's message pump
  start();
  timer.stop();
  return ok;
}

bool TourOperations(DesktopWindows& windows, UnattendedPromptService& prompts, const QString& image,
                    const TourStop& stop) {
  MainWindow& main = windows.Main();
  MainWindowLists& lists = main.Lists();
  auto* drives = lists.Controls().CreateDrives;
  auto* partitions = lists.Controls().CreatePartitions;

  // Create an image of the second partition (D:) of the internal disk.
  main.CreateImageClick();
  if (QListWidgetItem* disk = RowWhere(*drives, [](const auto& r) { return IsDrive(r, 0); })) {
    drives->setCurrentItem(disk);
    lists.CreateDrivesClick(disk, CheckListView::HitArea::Row);
  }
  if (QListWidgetItem* d = RowWhere(*partitions, [](const auto& r) { return r.EntryIndex == 2; })) {
    lists.CreatePartitionsClick(d, CheckListView::HitArea::CheckBox);
  }
  prompts.SetChosenFile(image);
  main.CreatePageNextClick();
  CreateImageWindow& create = windows.CreateImage();
  if (!create.isVisible()) return stop("create-window", create);  // the set-up refused: show why
  if (!stop("create-window", create)) return false;
  if (!StopWhileRunning(stop, "create-window-running", create, create.MainBar(),
                        [&] { create.StartClick(); }))
    return false;
  if (!stop("create-image-done", main)) return false;

  // Restore it onto the USB stick's partition (E:), which is a little larger.
  main.RestoreImageClick();
  auto* destinations = lists.Controls().RestoreDrives;
  auto* destinationPartitions = lists.Controls().RestorePartitions;
  if (QListWidgetItem* stick = RowWhere(*destinations, [](const auto& r) { return IsDrive(r, 1); })) {
    destinations->setCurrentItem(stick);
    lists.RestoreDrivesClick(stick, CheckListView::HitArea::Row);
  }
  if (QListWidgetItem* e =
          RowWhere(*destinationPartitions, [](const auto& r) { return r.EntryIndex == 0; })) {
    lists.RestorePartitionsClick(e, CheckListView::HitArea::CheckBox);
  }
  main.RestorePageNextClick();
  RestoreImageWindow& restore = windows.RestoreImage();
  if (!restore.isVisible()) return stop("restore-window", restore);
  if (!stop("restore-window", restore)) return false;
  if (!StopWhileRunning(stop, "restore-window-running", restore, restore.ProgressBar(),
                        [&] { restore.StartClick(); }))
    return false;
  if (restore.isVisible()) restore.close();

  // Clone the USB stick onto the internal disk.
  main.CloneDrivesClick();
  if (QListWidgetItem* stick = RowWhere(*drives, [](const auto& r) { return IsDrive(r, 1); })) {
    lists.CreateDrivesClick(stick, CheckListView::HitArea::CheckBox);
  }
  main.CreatePageNextClick();
  if (!stop("clone-source-chosen", main)) return false;
  if (QListWidgetItem* disk = RowWhere(*drives, [](const auto& r) { return IsDrive(r, 0); })) {
    lists.CreateDrivesClick(disk, CheckListView::HitArea::CheckBox);
  }
  main.CreatePageNextClick();
  CloneWindow& clone = windows.Clone();
  if (!clone.isVisible()) return stop("clone-window", clone);
  if (!stop("clone-window", clone)) return false;
  if (!StopWhileRunning(stop, "clone-window-running", clone, clone.ProgressBar(),
                        [&] { clone.StartClick(); }))
    return false;
  const bool ok = stop("clone-window-done", clone);
  clone.close();
  main.ShowMainPage(0);
  return ok;
}

}  // namespace

bool TourDemoMachine(DesktopWindows& windows, UnattendedPromptService& prompts, const TourStop& visit,
                     QString& error) {
  const TourStop stop = [&visit](const QString& name, QWidget& window) {
    Settle();
    return visit(name, window);
  };

  // Keep the pointer away from the windows, so no button shows its hover look.
  QCursor::setPos(-1000, -1000);
  MainWindow& main = windows.Main();
  main.show();
  if (!stop("start-screen", main)) return false;

  // The create page with the first partition ticked, as a user leaves it
  // before Next.
  main.CreateImageClick();
  auto* drives = main.Lists().Controls().CreateDrives;
  auto* partitions = main.Lists().Controls().CreatePartitions;
  if (QListWidgetItem* disk = FirstDiskRow(*drives)) {
    drives->setCurrentItem(disk);
    main.Lists().CreateDrivesClick(disk, CheckListView::HitArea::Row);
  }
  if (partitions->count() > 0) {
    main.Lists().CreatePartitionsClick(partitions->item(0), CheckListView::HitArea::CheckBox);
  }
  if (!stop("create-image-physical", main)) return false;
  main.Lists().LogicalDrivesClick();
  if (!stop("create-image-logical", main)) return false;

  // The restore page as it looks once an image has been chosen (the file
  // chooser itself is not shown): a sparse stand-in image of 512 MiB.
  QTemporaryDir imageFolder;
  QFile image(imageFolder.filePath("backup.img"));
  if (!imageFolder.isValid() || !image.open(QIODevice::WriteOnly) || !image.resize(512LL << 20)) {
    error = "cannot write a stand-in image in a temporary folder";
    return false;
  }
  image.close();
  main.Session().jobKind = JobKind::RestoreImage;
  main.OpenImageForRestore(image.fileName());
  auto* destinations = main.Lists().Controls().RestoreDrives;
  if (QListWidgetItem* disk = FirstDiskRow(*destinations)) {
    destinations->setCurrentItem(disk);
    main.Lists().RestoreDrivesClick(disk, CheckListView::HitArea::Row);
  }
  if (!stop("restore-image", main)) return false;
  main.ShowMainPage(0);

  // The three operations as a user runs them on the demo machine: each
  // operation window before Start, while its job runs, and after it.
  QTemporaryDir jobFolder(QDir::tempPath() + "/drivecopy-demo-XXXXXX");
  if (!jobFolder.isValid()) {
    error = "cannot make a temporary folder for the demo image";
    return false;
  }
  const QString demoImage = jobFolder.filePath("demo-D.img");
  if (!TourOperations(windows, prompts, demoImage, stop)) return false;

  windows.Info().ShowInFront();
  const bool ok = stop("info-window", windows.Info());
  windows.Info().close();
  return ok;
}

}  // namespace drivecopy
