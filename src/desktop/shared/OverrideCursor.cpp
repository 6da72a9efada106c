#include "desktop/shared/OverrideCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace drivecopy {

std::optional<Qt::CursorShape> CurrentOverrideCursor() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  if (cursor == nullptr) return std::nullopt;
  return cursor->shape();
}

void SetOverrideCursor(std::optional<Qt::CursorShape> shape) {
  // Qt keeps a stack of overrides; empty it so that exactly one value is in force.
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  if (shape) QGuiApplication::setOverrideCursor(QCursor(*shape));
}

}  // namespace drivecopy
