#include "gui/support/ListClicks.h"

#include <QtTest>

namespace drivecopy::test_support {

QPoint PointOf(const CheckListView& list, int row, CheckListView::HitArea area) {
  QListWidgetItem* wanted = list.item(row);
  if (wanted == nullptr) {
    qWarning("list %s has no row %d", qPrintable(list.objectName()), row);
    return {-1, -1};
  }
  const QRect rect = list.visualItemRect(wanted);
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      QListWidgetItem* hit = nullptr;
      if (list.HitTest(QPoint(x, y), &hit) == area && hit == wanted) return {x, y};
    }
  }
  qWarning("row %d of %s has no such part", row, qPrintable(list.objectName()));
  return {-1, -1};
}

void ClickCheckBox(CheckListView& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    PointOf(list, row, CheckListView::HitArea::CheckBox));
}

void ClickRow(CheckListView& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, PointOf(list, row, CheckListView::HitArea::Row));
}

QStringList Captions(const CheckListView& list) {
  QStringList captions;
  for (int row = 0; row < list.count(); ++row) captions << list.item(row)->text();
  return captions;
}

QList<int> TickedRows(const CheckListView& list) {
  QList<int> ticked;
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->checkState() == Qt::Checked) ticked << row;
  }
  return ticked;
}

}  // namespace drivecopy::test_support
