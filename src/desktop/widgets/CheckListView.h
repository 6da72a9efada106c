#pragma once
#include <QListWidget>

namespace drivecopy {

// A list view in icon mode whose rows carry check boxes (the drive, partition
// and logical drive lists). A click is reported with the part of the row it
// hit, so a handler can tell ticking a box from selecting a row. Rows keep
// their data in Qt::UserRole and above; check states are Qt::Checked or
// Qt::Unchecked and are changed by the owner's click handler, not by the view.
class CheckListView : public QListWidget {
  Q_OBJECT
 public:
  enum class HitArea { Nothing, CheckBox, Row };

  explicit CheckListView(QWidget* parent = nullptr);

  // What lies at `point` (viewport coordinates): nothing, the check box of a
  // row, or the rest of a row. `item` receives the row hit, if any.
  HitArea HitTest(const QPoint& point, QListWidgetItem** item = nullptr) const;

  // The view's column captions (icon view shows none, but the translation
  // tables set them): "Columns[N].Caption".
  Q_INVOKABLE void setCollectionText(const QString& collection, int index, const QString& property,
                                     const QString& text);
  QString ColumnCaption(int index) const;

 signals:
  // A left click released over `item` (never null) at `area`.
  void itemClickedAt(QListWidgetItem* item, drivecopy::CheckListView::HitArea area);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QStringList columnCaptions_;
};

}  // namespace drivecopy
