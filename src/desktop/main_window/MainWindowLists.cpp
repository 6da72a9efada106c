#include "desktop/main_window/MainWindowLists.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>

#include "platform/KindTags.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/widgets/Artwork.h"

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
  for (QToolButton* button : {controls_.CI_PhysicalDrivesToolButton, controls_.CI_LogicalDrivesToolButton,
                              controls_.RI_PhysicalDrivesToolButton, controls_.RI_LogicalDrivesToolButton}) {
    button->setCheckable(true);
  }

  connect(controls_.CI_HDDListView, &CheckListView::itemClickedAt, this, &MainWindowLists::CI_HDDListViewClick);
  connect(controls_.CI_PartitionListView, &CheckListView::itemClickedAt, this,
          &MainWindowLists::CI_PartitionListViewClick);
  connect(controls_.RI_HDDListView, &CheckListView::itemClickedAt, this, &MainWindowLists::RI_HDDListViewClick);
  connect(controls_.RI_PartitionListView, &CheckListView::itemClickedAt, this,
          &MainWindowLists::RI_PartitionListViewClick);
  connect(controls_.CI_LogicalDrivesListView, &CheckListView::itemClickedAt, this,
          &MainWindowLists::CI_LogicalDrivesListViewClick);
  for (QToolButton* button : {controls_.CI_PhysicalDrivesToolButton, controls_.RI_PhysicalDrivesToolButton}) {
    connect(button, &QToolButton::clicked, this, &MainWindowLists::PhysicalDrivesToolButtonClick);
  }
  for (QToolButton* button : {controls_.CI_LogicalDrivesToolButton, controls_.RI_LogicalDrivesToolButton}) {
    connect(button, &QToolButton::clicked, this, &MainWindowLists::LogicalDrivesToolButtonClick);
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
    case DriveImageRemovable: kind = DriveIconKind::Removable, slot = 1; break;
    case DriveImageUsb: kind = DriveIconKind::Usb, slot = 2; break;
    case DriveImageFloppy: kind = DriveIconKind::Floppy, slot = 3; break;
    default: break;  // the lists use no other picture: a hard disk stands in
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
    session_.prompts.ShowMessageBox(&mainWindow_, Q(session_.texts.strSVISTATitle), Q(session_.texts.strSVISTA),
                                    MessageBoxIcon::Information);
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
  CheckListView& drives = *controls_.CI_HDDListView;
  const bool wasDriveRow = item->listWidget() == &drives;
  delete item;
  if (!wasDriveRow) return;
  const FillGuard guard(filling_);
  controls_.CI_PartitionListView->clear();
  if (!guard.Owns() || drives.count() == 0) return;
  drives.setCurrentRow(0);
  RebuildPartitions(drives, *controls_.CI_PartitionListView);
}

// --- clicks ---

void MainWindowLists::CI_HDDListViewClick(QListWidgetItem* item, CheckListView::HitArea area) {
  const FillGuard guard(filling_);
  if (item == nullptr || !guard.Owns()) return;
  CheckListView& drives = *controls_.CI_HDDListView;
  CheckListView& partitions = *controls_.CI_PartitionListView;
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

void MainWindowLists::PartitionCheckBoxClick(CheckListView& drives, CheckListView& partitions,
                                             QListWidgetItem* item, bool keepDriveSourcePairing) {
  const Qt::CheckState state = StateAfterClick(item, CheckListView::HitArea::CheckBox);
  SetTicks(partitions, Qt::Unchecked);
  partitions.setCurrentItem(item);
  item->setCheckState(state);
  SetTicks(drives, Qt::Unchecked);
  // A whole-drive source pairs with a whole drive only.
  if (keepDriveSourcePairing && CloneSource().Kind == KindPhysicalDrive) item->setCheckState(Qt::Unchecked);
}

void MainWindowLists::CI_PartitionListViewClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (item == nullptr || area != CheckListView::HitArea::CheckBox || filling_) return;
  PartitionCheckBoxClick(*controls_.CI_HDDListView, *controls_.CI_PartitionListView, item, true);
}

void MainWindowLists::RI_HDDListViewClick(QListWidgetItem* item, CheckListView::HitArea area) {
  const FillGuard guard(filling_);
  if (item == nullptr || !guard.Owns()) return;
  CheckListView& drives = *controls_.RI_HDDListView;
  CheckListView& partitions = *controls_.RI_PartitionListView;
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

void MainWindowLists::RI_PartitionListViewClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (item == nullptr || area != CheckListView::HitArea::CheckBox || filling_) return;
  PartitionCheckBoxClick(*controls_.RI_HDDListView, *controls_.RI_PartitionListView, item, false);
}

void MainWindowLists::CI_LogicalDrivesListViewClick(QListWidgetItem* item, CheckListView::HitArea area) {
  if (item == nullptr || filling_) return;
  CheckListView& view = *controls_.CI_LogicalDrivesListView;
  const Qt::CheckState state = StateAfterClick(item, area);
  if (area != CheckListView::HitArea::CheckBox) return;
  SetTicks(view, Qt::Unchecked);
  view.setCurrentItem(item);
  item->setCheckState(state);
}

// --- tool buttons ---

void MainWindowLists::PrepareCreatePageButtons(bool offerLogicalDrives) {
  SetToolButtonShown(controls_.CI_LogicalDrivesToolButton, offerLogicalDrives);
  PressOnly(controls_.CI_PhysicalDrivesToolButton, controls_.CI_LogicalDrivesToolButton);
}

void MainWindowLists::PrepareRestorePageButtons() {
  SetToolButtonShown(controls_.RI_LogicalDrivesToolButton, false);
  PressOnly(controls_.RI_PhysicalDrivesToolButton, controls_.RI_LogicalDrivesToolButton);
}

void MainWindowLists::PhysicalDrivesToolButtonClick() {
  if (filling_) return;
  switch (session_.JobKind) {
    case 1:
      PressOnly(controls_.CI_PhysicalDrivesToolButton, controls_.CI_LogicalDrivesToolButton);
      pages_.ShowCreatePhysical();
      controls_.CI_LogicalDrivesListView->clear();
      ShowPhysicalDrives(*controls_.CI_HDDListView, *controls_.CI_PartitionListView);
      break;
    case 2:
      PressOnly(controls_.RI_PhysicalDrivesToolButton, controls_.RI_LogicalDrivesToolButton);
      pages_.ShowRestorePhysical();
      ShowPhysicalDrives(*controls_.RI_HDDListView, *controls_.RI_PartitionListView);
      break;
    default:
      // A clone keeps its lists (they hold the second step's choice); the
      // button only keeps its pressed look.
      controls_.CI_PhysicalDrivesToolButton->setChecked(true);
      break;
  }
}

void MainWindowLists::LogicalDrivesToolButtonClick() {
  if (filling_) return;
  controls_.CI_LogicalMemo->clear();
  PressOnly(controls_.CI_LogicalDrivesToolButton, controls_.CI_PhysicalDrivesToolButton);
  controls_.RI_LogicalDrivesToolButton->setChecked(false);
  // Emptied so that no physical row stays ticked behind the logical page.
  controls_.CI_HDDListView->clear();
  controls_.CI_PartitionListView->clear();
  pages_.ShowCreateLogical();
  controls_.CI_LogicalDrivesListView->clear();
  FillLogicalDriveList(*controls_.CI_LogicalDrivesListView);
  controls_.CI_LogicalMemo->appendPlainText(Q(session_.texts.StrSInfoSelectDriveLetter));
}

}  // namespace drivecopy
