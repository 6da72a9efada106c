#pragma once
#include <QFont>
#include <QString>
#include <string>

namespace drivecopy {

// The small conversions every desktop window makes between the program's own
// texts, fonts and number formats and Qt's.

// Message texts are UTF-8; Qt wants QString.
inline QString Q(const std::string& text) { return QString::fromStdString(text); }

// The windows' face, Tahoma, at `pixelSize` (11 pixels is Tahoma 8 pt), with
// its installed fall-backs.
QFont TahomaFont(int pixelSize, bool bold = false);

// The user's decimal point for size texts; '.' when the locale's is not ASCII,
// since a separator outside ASCII cannot stand in the size texts.
char UserDecimalSeparator();

}  // namespace drivecopy
