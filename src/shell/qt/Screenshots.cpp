#include "shell/qt/Screenshots.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QPixmap>
#include <functional>

#include "imaging/qt/TCreateImgForm.h"
#include "restore_clone/qt/TCloneDriveFrm.h"
#include "restore_clone/qt/TRestoreImgForm.h"
#include "selection/qt/MainWindowLists.h"
#include "shell/qt/TInfoFrm.h"
#include "shell/qt/TVRZMainForm.h"
#include "ui/CheckListView.h"

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

// Lets layouts settle and pending paints happen before a window is grabbed.
void Settle() {
  for (int round = 0; round < 3; ++round) QApplication::processEvents();
}

}  // namespace

QStringList WriteScreenshots(DesktopWindows& windows, const QString& directory, QString& error) {
  QStringList written;
  if (!QDir().mkpath(directory)) {
    error = "cannot create the folder " + directory;
    return written;
  }
  auto shoot = [&](const QString& name, QWidget& window) {
    Settle();
    const QString path = QDir(directory).filePath(name + ".png");
    if (!window.grab().save(path)) {
      error = "cannot write " + path;
      return false;
    }
    written << path;
    return true;
  };

  // Keep the pointer away from the windows, so no button shows its hover look.
  QCursor::setPos(-1000, -1000);
  TVRZMainForm& main = windows.MainForm();
  main.show();
  if (!shoot("start-screen", main)) return written;

  // The create page with the first partition ticked, as a user leaves it
  // before Next.
  main.CreateImageButtomClick();
  auto* drives = main.findChild<CheckListView*>("CI_HDDListView");
  auto* partitions = main.findChild<CheckListView*>("CI_PartitionListView");
  if (QListWidgetItem* disk = FirstDiskRow(*drives)) {
    drives->setCurrentItem(disk);
    main.Lists().CI_HDDListViewClick(disk, CheckListView::HitArea::Row);
  }
  if (partitions->count() > 0) {
    main.Lists().CI_PartitionListViewClick(partitions->item(0), CheckListView::HitArea::CheckBox);
  }
  if (!shoot("create-image-physical", main)) return written;
  main.Lists().LogicalDrivesToolButtonClick();
  if (!shoot("create-image-logical", main)) return written;

  // The restore page as it looks once an image has been chosen (the file
  // chooser itself is not drawn): a sparse stand-in image of 512 MiB.
  QTemporaryDir imageFolder;
  QFile image(imageFolder.filePath("backup.img"));
  if (!imageFolder.isValid() || !image.open(QIODevice::WriteOnly) || !image.resize(512LL << 20)) {
    error = "cannot write a stand-in image in a temporary folder";
    return written;
  }
  image.close();
  main.Session().JobKind = 2;
  main.OpenImageForRestore(image.fileName());
  auto* destinations = main.findChild<CheckListView*>("RI_HDDListView");
  if (QListWidgetItem* disk = FirstDiskRow(*destinations)) {
    destinations->setCurrentItem(disk);
    main.Lists().RI_HDDListViewClick(disk, CheckListView::HitArea::Row);
  }
  if (!shoot("restore-image", main)) return written;
  main.ShowMainPage(0);

  struct OperationWindow {
    const char* name;
    QWidget* window;
  };
  const OperationWindow operationWindows[] = {
      {"create-window", &windows.CreateImgForm()},
      {"restore-window", &windows.RestoreImgForm()},
      {"clone-window", &windows.CloneDriveFrm()},
  };
  for (const OperationWindow& operation : operationWindows) {
    operation.window->show();
    const bool ok = shoot(operation.name, *operation.window);
    operation.window->close();
    if (!ok) return written;
  }

  windows.InfoFrm().ShowInFront();
  const bool ok = shoot("info-window", windows.InfoFrm());
  windows.InfoFrm().close();
  if (!ok) return written;
  return written;
}

}  // namespace drivecopy
