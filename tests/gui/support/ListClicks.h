#pragma once
#include <QPoint>
#include <QString>
#include <QStringList>

#include "desktop/widgets/CheckListView.h"

namespace drivecopy::test_support {

// A point (viewport coordinates) of row `row` where the list's hit test
// reports `area`; a test failure and (-1, -1) when there is none.
QPoint PointOf(const CheckListView& list, int row, CheckListView::HitArea area);

// A left click on row `row`'s check box or on the row beside it, as the
// mouse makes it.
void ClickCheckBox(CheckListView& list, int row);
void ClickRow(CheckListView& list, int row);

// The rows' captions, and the rows whose check box is ticked, in list order.
QStringList Captions(const CheckListView& list);
QList<int> TickedRows(const CheckListView& list);

}  // namespace drivecopy::test_support
