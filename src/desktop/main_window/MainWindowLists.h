#pragma once
#include <QIcon>
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "desktop/shared/DesktopSession.h"
#include "desktop/widgets/CheckListView.h"
#include "disk/CloneEndpoint.h"
#include "disk/DriveLists.h"
#include "disk/DriveRecord.h"
#include "disk/DriveRow.h"

class QListWidgetItem;
class QPlainTextEdit;
class QToolButton;

// A list row carries its record as item data (Qt::UserRole), so the record
// lives exactly as long as its row.
Q_DECLARE_METATYPE(drivecopy::DriveRecord)

namespace drivecopy {

class CloneWindow;

// The controls of the main window's two list pages.
struct MainWindowListControls {
  CheckListView* CreateDrives = nullptr;
  CheckListView* CreatePartitions = nullptr;
  CheckListView* Volumes = nullptr;
  QPlainTextEdit* VolumesMemo = nullptr;
  QToolButton* CreatePhysicalButton = nullptr;
  QToolButton* CreateLogicalButton = nullptr;
  CheckListView* RestoreDrives = nullptr;
  CheckListView* RestorePartitions = nullptr;
  QToolButton* RestorePhysicalButton = nullptr;
  QToolButton* RestoreLogicalButton = nullptr;
};

// The page switches the tool buttons ask of the main window.
struct ListPageSwitches {
  std::function<void()> ShowCreatePhysical;   // ShowCreateImagePage(0)
  std::function<void()> ShowCreateLogical;    // ShowCreateImagePage(1)
  std::function<void()> ShowRestorePhysical;  // ShowRestoreImagePage(0)
  // Whether the restore page holds an image that could be read: without one
  // no destination is offered.
  std::function<bool()> RestoreImageChosen;
};

// Fills the main window's drive, partition and logical drive lists and
// applies their tick rules: at most one drive row and one partition row are
// ticked, ticking a drive ticks all its partitions, ticking a partition clears
// the drive ticks, and during the second clone step a partition source only
// pairs with a partition and a drive source only with a drive. The rows come
// from DriveLists; the clone source they leave out is the clone window's.
//
// Fills pump the message queue between probes, so input arrives while they
// run; a fill asked for while another runs is ignored (Filling() tells the
// window's own handlers to wait too).
class MainWindowLists : public QObject {
  Q_OBJECT
 public:
  // Item data role of a row's record.
  static constexpr int RecordRole = Qt::UserRole;

  MainWindowLists(DesktopSession& session, QWidget& mainWindow, const MainWindowListControls& controls,
                  ListPageSwitches pages);

  // The clone window, whose selection holds the clone source (none: no filter).
  void SetCloneWindow(CloneWindow* cloneWindow) { cloneWindow_ = cloneWindow; }

  // --- fills (each appends to a list its caller has cleared) ---
  // Floppies, then physical drives with the letters of their volumes; shows
  // strSVISTA when drives were probed but none could be opened.
  void FillPhysicalDriveList(CheckListView& view);
  // The partitions of the drive row selected in `driveView`; true (also when
  // nothing was selected or the drive no longer answers).
  bool FillPartitionList(CheckListView& driveView, CheckListView& partitionView);
  // Ready removable and fixed volumes, in letter order.
  void FillLogicalDriveList(CheckListView& view);
  std::optional<std::string> FindDriveLetter(const DriveRecord& record, int entryIndex,
                                             std::int64_t diskGeometryBytes) const;

  // What the set-ups do on entering a page: both lists emptied, the drives
  // listed, the first drive selected with its partitions listed, and the
  // drive list given the focus.
  void ShowPhysicalDrives(CheckListView& drives, CheckListView& partitions);

  // The tool buttons as a set-up leaves them: Physical Drives pressed; the
  // create page offers Logical Drives for an image, not for a clone; the
  // restore page never offers them.
  void PrepareCreatePageButtons(bool offerLogicalDrives);
  void PrepareRestorePageButtons();

  // After the first clone Next: `item` (the new clone source) leaves its
  // list; when it was a drive row, the partition list shows the partitions of
  // the drive now selected.
  void RemoveCloneSourceRow(QListWidgetItem* item);

  // --- click handlers (wired to CheckListView::itemClickedAt) ---
  void CreateDrivesClick(QListWidgetItem* item, CheckListView::HitArea area);
  void CreatePartitionsClick(QListWidgetItem* item, CheckListView::HitArea area);
  void RestoreDrivesClick(QListWidgetItem* item, CheckListView::HitArea area);
  void RestorePartitionsClick(QListWidgetItem* item, CheckListView::HitArea area);
  void VolumesClick(QListWidgetItem* item, CheckListView::HitArea area);
  // Physical Drives (both pages, by JobKind) and Logical Drives (both pages).
  void PhysicalDrivesClick();
  void LogicalDrivesClick();

  // --- rows ---
  // The first ticked row in list order, or null.
  static QListWidgetItem* FirstTicked(const CheckListView& view);
  // A row's caption and record; nullopt for a row without a record.
  static std::optional<DriveRow> RowOf(const QListWidgetItem& item);

  const MainWindowListControls& Controls() const { return controls_; }
  bool Filling() const { return filling_; }
  // The decimal separator of the user's locale, for every size text.
  char DecimalSeparator() const { return decimalSeparator_; }
  // Lets the window repaint and take input between slow steps.
  const MessagePump& Pump() const { return pump_; }

 private:
  class FillGuard;

  void AppendRow(CheckListView& view, const DriveRow& row);
  const QIcon& IconFor(int imageIndex);
  void AppendPhysicalRows(CheckListView& view);
  void AppendPartitionRows(CheckListView& driveView, CheckListView& partitionView);
  void RebuildPartitions(CheckListView& drives, CheckListView& partitions);
  void TickPartition(CheckListView& drives, CheckListView& partitions, QListWidgetItem* item,
                     bool keepDriveSourcePairing);
  const CloneEndpoint& CloneSource() const;

  DesktopSession& session_;
  QWidget& mainWindow_;
  MainWindowListControls controls_;
  ListPageSwitches pages_;
  CloneWindow* cloneWindow_ = nullptr;
  MessagePump pump_;
  char decimalSeparator_ = '.';
  DriveLists driveLists_;
  std::array<QIcon, 4> icons_;  // hard disk, removable, USB, floppy; drawn on first use
  bool filling_ = false;
};

}  // namespace drivecopy
