#include "desktop/main_window/MainWindowLists.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>

#include "desktop/operations/CloneWindow.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/Artwork.h"
#include "platform/KindTags.h"
#include "text/ParagraphLines.h"

namespace drivecopy {
namespace {

void SetTicks(CheckListView& view, Qt::CheckState state) {
  for (int row = 0; row < view.count(); ++row) view.item(row)->setCheckState(state);
}

// The tick after a click: a click on the check box toggles it (the view
// leaves that to its owner), any other click keeps it.
Qt::CheckState StateAfterClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (area == CheckListView::HitArea::CheckBox) {
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  return item->checkState();
}

// A tool bar hides its buttons through their actions.
void SetToolButtonShown(QToolButton* button, bool shown) {
  auto* bar = qobject_cast<QToolBar*>(button->parentWidget());
  if (bar == nullptr) {
    button->setVisible(shown);
    return;
  }
  for (QAction* action : bar->actions()) {
    if (bar->widgetForAction(action) == button) action->setVisible(shown);
  }
}

void PressOnly(QToolButton* pressed, QToolButton* released) {
  pressed->setChecked(true);
  released->setChecked(false);
}

}  // namespace

// Marks a fill as running for its lifetime; a second one finds it taken.
class MainWindowLists::FillGuard {
 public:
  explicit FillGuard(bool& filling) : filling_(filling), owns_(!filling) { filling_ = true; }
  ~FillGuard() {
    if (owns_) filling_ = false;
  }
  FillGuard(const FillGuard&) = delete;
  FillGuard& operator=(const FillGuard&) = delete;
  bool Owns() const { return owns_; }

 private:
  bool& filling_;
  bool owns_;
};

MainWindowLists::MainWindowLists(DesktopSession& session, QWidget& mainWindow,
                                 const MainWindowListControls& controls, ListPageSwitches pages)
    : QObject(&mainWindow),
      session_(session),
      mainWindow_(mainWindow),
      controls_(controls),
      pages_(std::move(pages)),
      pump_([] { QCoreApplication::processEvents(); }),
      decimalSeparator_(UserDecimalSeparator()),
      driveLists_(session.platform, pump_) {
  driveLists_.SetDecimalSeparator(decimalSeparator_);
  for (QToolButton* button : {controls_.CreatePhysicalButton, controls_.CreateLogicalButton,
                              controls_.RestorePhysicalButton, controls_.RestoreLogicalButton}) {
    button->setCheckable(true);
  }

  connect(controls_.CreateDrives, &CheckListView::itemClickedAt, this, &MainWindowLists::CreateDrivesClick);
  connect(controls_.CreatePartitions, &CheckListView::itemClickedAt, this,
          &MainWindowLists::CreatePartitionsClick);
  connect(controls_.RestoreDrives, &CheckListView::itemClickedAt, this, &MainWindowLists::RestoreDrivesClick);
  connect(controls_.RestorePartitions, &CheckListView::itemClickedAt, this,
          &MainWindowLists::RestorePartitionsClick);
  connect(controls_.Volumes, &CheckListView::itemClickedAt, this, &MainWindowLists::VolumesClick);
  for (QToolButton* button : {controls_.CreatePhysicalButton, controls_.RestorePhysicalButton}) {
    connect(button, &QToolButton::clicked, this, &MainWindowLists::PhysicalDrivesClick);
  }
  for (QToolButton* button : {controls_.CreateLogicalButton, controls_.RestoreLogicalButton}) {
    connect(button, &QToolButton::clicked, this, &MainWindowLists::LogicalDrivesClick);
  }
}

const CloneEndpoint& MainWindowLists::CloneSource() const {
  static const CloneEndpoint none;
  return cloneWindow_ != nullptr ? cloneWindow_->Selection().Source() : none;
}

// --- rows ---

const QIcon& MainWindowLists::IconFor(int imageIndex) {
  using artwork::DriveIconKind;
  DriveIconKind kind = DriveIconKind::HardDisk;
  std::size_t slot = 0;
  switch (imageIndex) {
    case DriveImageRemovable:
      kind = DriveIconKind::Removable, slot = 1;
      break;
    case DriveImageUsb:
      kind = DriveIconKind::Usb, slot = 2;
      break;
    case DriveImageFloppy:
      kind = DriveIconKind::Floppy, slot = 3;
      break;
    default:
      break;  // the lists use no other picture: a hard disk stands in
  }
  if (icons_[slot].isNull()) icons_[slot] = artwork::DriveIcon(kind);
  return icons_[slot];
}

void MainWindowLists::AppendRow(CheckListView& view, const DriveRow& row) {
  auto* item = new QListWidgetItem(IconFor(row.ImageIndex), Q(row.Caption));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Unchecked);
  item->setData(RecordRole, QVariant::fromValue(row.Record));
  view.addItem(item);
}

QListWidgetItem* MainWindowLists::FirstTicked(const CheckListView& view) {
  for (int row = 0; row < view.count(); ++row) {
    if (view.item(row)->checkState() == Qt::Checked) return view.item(row);
  }
  return nullptr;
}

std::optional<DriveRow> MainWindowLists::RowOf(const QListWidgetItem& item) {
  const QVariant data = item.data(RecordRole);
  if (!data.canConvert<DriveRecord>()) return std::nullopt;
  DriveRow row;
  row.Caption = item.text().toStdString();
  row.Record = data.value<DriveRecord>();
  return row;
}

// --- fills ---

void MainWindowLists::AppendPhysicalRows(CheckListView& view) {
  const PhysicalDriveListing listing = driveLists_.PhysicalDriveRows(CloneSource());
  for (const DriveRow& row : listing.Rows) AppendRow(view, row);
  if (listing.ShowAdminRightsMessage) {
    // Opening physical drives needs administrator rights (root on Linux), so
    // an empty result usually means they are missing.
    session_.prompts.ShowMessageBox(&mainWindow_, Q(session_.texts.strSVISTATitle),
                                    Q(JoinParagraphLines(session_.texts.strSVISTA)), MessageBoxIcon::Information);
  }
  pump_();
}

void MainWindowLists::AppendPartitionRows(CheckListView& driveView, CheckListView& partitionView) {
  QListWidgetItem* selected = driveView.currentItem();
  if (selected == nullptr || !selected->isSelected()) return;
  const std::optional<DriveRow> drive = RowOf(*selected);
  // A floppy names no physical drive, so it has no partitions.
  if (!drive || drive->Record.DriveNumber < 0) return;
  for (const DriveRow& row : driveLists_.PartitionRows(drive->Record, CloneSource())) {
    AppendRow(partitionView, row);
  }
}

void MainWindowLists::FillPhysicalDriveList(CheckListView& view) {
  const FillGuard guard(filling_);
  if (guard.Owns()) AppendPhysicalRows(view);
}

bool MainWindowLists::FillPartitionList(CheckListView& driveView, CheckListView& partitionView) {
  const FillGuard guard(filling_);
  if (guard.Owns()) AppendPartitionRows(driveView, partitionView);
  return true;
}

void MainWindowLists::FillLogicalDriveList(CheckListView& view) {
  const FillGuard guard(filling_);
  if (!guard.Owns()) return;
  for (const DriveRow& row : driveLists_.LogicalDriveRows()) AppendRow(view, row);
}

std::optional<std::string> MainWindowLists::FindDriveLetter(const DriveRecord& record, int entryIndex,
                                                            std::int64_t diskGeometryBytes) const {
  return driveLists_.FindDriveLetter(record, entryIndex, diskGeometryBytes);
}

void MainWindowLists::ShowPhysicalDrives(CheckListView& drives, CheckListView& partitions) {
  const FillGuard guard(filling_);
  if (!guard.Owns()) return;
  drives.clear();
  // Emptied even when no drive is listed, so that no row of a drive that
  // has gone can still be ticked.
  partitions.clear();
  AppendPhysicalRows(drives);
  if (drives.count() == 0) return;
  drives.setCurrentRow(0);
  pump_();
  drives.setEnabled(false);
  AppendPartitionRows(drives, partitions);
  drives.setEnabled(true);
  drives.setFocus();
  drives.setCurrentRow(0);
}

void MainWindowLists::RebuildPartitions(CheckListView& drives, CheckListView& partitions) {
  partitions.clear();
  drives.setEnabled(false);
  AppendPartitionRows(drives, partitions);
  drives.setEnabled(true);
}

void MainWindowLists::RemoveCloneSourceRow(QListWidgetItem* item) {
  CheckListView& drives = *controls_.CreateDrives;
  const bool wasDriveRow = item->listWidget() == &drives;
  delete item;
  if (!wasDriveRow) return;
  const FillGuard guard(filling_);
  controls_.CreatePartitions->clear();
  if (!guard.Owns() || drives.count() == 0) return;
  drives.setCurrentRow(0);
  RebuildPartitions(drives, *controls_.CreatePartitions);
}

// --- clicks ---

void MainWindowLists::CreateDrivesClick(QListWidgetItem* item, CheckListView::HitArea area) {
  const FillGuard guard(filling_);
  if (item == nullptr || !guard.Owns()) return;
  CheckListView& drives = *controls_.CreateDrives;
  CheckListView& partitions = *controls_.CreatePartitions;
  const Qt::CheckState state = StateAfterClick(item, area);
  if (area == CheckListView::HitArea::CheckBox) {
    SetTicks(drives, Qt::Unchecked);
    drives.setCurrentItem(item);
    item->setCheckState(state);
  }
  const bool driveSelected = drives.currentItem() != nullptr && drives.currentItem()->isSelected();
  if (driveSelected) RebuildPartitions(drives, partitions);
  if (CloneSource().Kind == KindPartition) {
    // A partition source pairs with a partition only: no whole drive is ticked.
    item->setCheckState(Qt::Unchecked);
  } else if (driveSelected) {
    SetTicks(partitions, state);
  }
}

void MainWindowLists::TickPartition(CheckListView& drives, CheckListView& partitions, QListWidgetItem* item,
                                    bool keepDriveSourcePairing) {
  const Qt::CheckState state = StateAfterClick(item, CheckListView::HitArea::CheckBox);
  SetTicks(partitions, Qt::Unchecked);
  partitions.setCurrentItem(item);
  item->setCheckState(state);
  SetTicks(drives, Qt::Unchecked);
  // A whole-drive source pairs with a whole drive only.
  if (keepDriveSourcePairing && CloneSource().Kind == KindPhysicalDrive) item->setCheckState(Qt::Unchecked);
}

void MainWindowLists::CreatePartitionsClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (item == nullptr || area != CheckListView::HitArea::CheckBox || filling_) return;
  TickPartition(*controls_.CreateDrives, *controls_.CreatePartitions, item, true);
}

void MainWindowLists::RestoreDrivesClick(QListWidgetItem* item, CheckListView::HitArea area) {
  const FillGuard guard(filling_);
  if (item == nullptr || !guard.Owns()) return;
  CheckListView& drives = *controls_.RestoreDrives;
  CheckListView& partitions = *controls_.RestorePartitions;
  const Qt::CheckState state = StateAfterClick(item, area);
  if (area == CheckListView::HitArea::CheckBox) {
    SetTicks(drives, Qt::Unchecked);
    drives.setCurrentItem(item);
    item->setCheckState(state);
  }
  if (drives.currentItem() == nullptr || !drives.currentItem()->isSelected()) return;
  RebuildPartitions(drives, partitions);
  SetTicks(partitions, state);
}

void MainWindowLists::RestorePartitionsClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (item == nullptr || area != CheckListView::HitArea::CheckBox || filling_) return;
  TickPartition(*controls_.RestoreDrives, *controls_.RestorePartitions, item, false);
}

void MainWindowLists::VolumesClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (item == nullptr || filling_) return;
  CheckListView& view = *controls_.Volumes;
  const Qt::CheckState state = StateAfterClick(item, area);
  if (area != CheckListView::HitArea::CheckBox) return;
  SetTicks(view, Qt::Unchecked);
  view.setCurrentItem(item);
  item->setCheckState(state);
}

// --- tool buttons ---

void MainWindowLists::PrepareCreatePageButtons(bool offerLogicalDrives) {
  SetToolButtonShown(controls_.CreateLogicalButton, offerLogicalDrives);
  PressOnly(controls_.CreatePhysicalButton, controls_.CreateLogicalButton);
}

void MainWindowLists::PrepareRestorePageButtons() {
  SetToolButtonShown(controls_.RestoreLogicalButton, false);
  PressOnly(controls_.RestorePhysicalButton, controls_.RestoreLogicalButton);
}

void MainWindowLists::PhysicalDrivesClick() {
  if (filling_) return;
  switch (session_.jobKind) {
    case JobKind::CreateImage:
      PressOnly(controls_.CreatePhysicalButton, controls_.CreateLogicalButton);
      pages_.ShowCreatePhysical();
      controls_.Volumes->clear();
      ShowPhysicalDrives(*controls_.CreateDrives, *controls_.CreatePartitions);
      break;
    case JobKind::RestoreImage:
      PressOnly(controls_.RestorePhysicalButton, controls_.RestoreLogicalButton);
      pages_.ShowRestorePhysical();
      if (pages_.RestoreImageChosen && !pages_.RestoreImageChosen()) {
        controls_.RestoreDrives->clear();
        controls_.RestorePartitions->clear();
        break;
      }
      ShowPhysicalDrives(*controls_.RestoreDrives, *controls_.RestorePartitions);
      break;
    case JobKind::CloneDrives:
    case JobKind::NoChoiceYet:
      // A clone keeps its lists (they hold the second step's choice); the
      // button only keeps its pressed look.
      controls_.CreatePhysicalButton->setChecked(true);
      break;
  }
}

void MainWindowLists::LogicalDrivesClick() {
  if (filling_) return;
  controls_.VolumesMemo->clear();
  PressOnly(controls_.CreateLogicalButton, controls_.CreatePhysicalButton);
  controls_.RestoreLogicalButton->setChecked(false);
  // Emptied so that no physical row stays ticked behind the logical page.
  controls_.CreateDrives->clear();
  controls_.CreatePartitions->clear();
  pages_.ShowCreateLogical();
  controls_.Volumes->clear();
  FillLogicalDriveList(*controls_.Volumes);
  controls_.VolumesMemo->appendPlainText(Q(session_.texts.StrSInfoSelectDriveLetter));
}

}  // namespace drivecopy
