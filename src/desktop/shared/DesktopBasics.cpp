#include "desktop/shared/DesktopBasics.h"

#include <QLocale>

#include "desktop/shared/WindowTranslator.h"

namespace drivecopy {

QFont TahomaFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies(FontFamiliesFor(QStringLiteral("Tahoma"), QStringLiteral("DEFAULT_CHARSET")));
  font.setPixelSize(pixelSize);
  if (bold) font.setBold(true);
  return font;
}

char UserDecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point.at(0).unicode() < 0x80) return static_cast<char>(point.at(0).unicode());
  return '.';
}

}  // namespace drivecopy
