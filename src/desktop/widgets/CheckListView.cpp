#include "desktop/widgets/CheckListView.h"

#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace drivecopy {

namespace {

// Draws rows as the standard delegate does but never changes a check state
// itself: ticking is the owner's decision (its click handler applies the
// list's rules). It also lends its option set-up to the hit test, so the
// check box is looked for exactly where it is painted.
class OwnerCheckedDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void PrepareOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    initStyleOption(option, index);
  }

 protected:
  bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex&) override {
    return false;
  }
};

}  // namespace

CheckListView::CheckListView(QWidget* parent) : QListWidget(parent) {
  setViewMode(QListView::IconMode);
  setIconSize(QSize(32, 32));
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setWordWrap(true);
  setSpacing(4);
  setUniformItemSizes(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFrameShape(QFrame::NoFrame);
  setItemDelegate(new OwnerCheckedDelegate(this));
}

CheckListView::HitArea CheckListView::HitTest(const QPoint& point, QListWidgetItem** item) const {
  if (item != nullptr) *item = nullptr;
  QListWidgetItem* hit = itemAt(point);
  if (hit == nullptr) return HitArea::Nothing;
  if (item != nullptr) *item = hit;

  const QModelIndex index = indexFromItem(hit);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  if (const auto* delegate = dynamic_cast<const OwnerCheckedDelegate*>(itemDelegateForIndex(index)))
    delegate->PrepareOption(&option, index);
  if (!option.features.testFlag(QStyleOptionViewItem::HasCheckIndicator)) return HitArea::Row;
  const QRect box = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
  return box.contains(point) ? HitArea::CheckBox : HitArea::Row;
}

void CheckListView::setCollectionText(const QString& collection, int index, const QString& property,
                                      const QString& text) {
  if (collection != QLatin1String("Columns") || property != QLatin1String("Caption") || index < 0) return;
  while (columnCaptions_.size() <= index) columnCaptions_.append(QString());
  columnCaptions_[index] = text;
}

QString CheckListView::ColumnCaption(int index) const { return columnCaptions_.value(index); }

void CheckListView::mouseReleaseEvent(QMouseEvent* event) {
  // Selection first, so the owner's handler sees the clicked row selected.
  QListWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  QListWidgetItem* item = nullptr;
  const HitArea area = HitTest(event->position().toPoint(), &item);
  if (item != nullptr) emit itemClickedAt(item, area);
}

}  // namespace drivecopy
