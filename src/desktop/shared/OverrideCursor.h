#pragma once
#include <Qt>
#include <optional>

namespace drivecopy {

// The application-wide override cursor as one value, not Qt's stack: it takes
// precedence over every widget's own cursor while set, and nullopt means no
// override (each widget's own cursor shows).
std::optional<Qt::CursorShape> CurrentOverrideCursor();
void SetOverrideCursor(std::optional<Qt::CursorShape> shape);

}  // namespace drivecopy
