#include "desktop/shared/PromptService.h"

#include <algorithm>

namespace drivecopy {

namespace {

bool Offers(const std::vector<DialogButton>& buttons, DialogButton button) {
  return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

// The first of `preferred` that the dialog offers, else its first button;
// OK for a dialog without buttons (it is shown with OK alone).
DialogButton FirstOffered(const std::vector<DialogButton>& buttons,
                          std::initializer_list<DialogButton> preferred) {
  for (const DialogButton candidate : preferred)
    if (Offers(buttons, candidate)) return candidate;
  return buttons.empty() ? DialogButton::OK : buttons.front();
}

// The patterns of a filter entry the way Qt reads them: separated by blanks.
QString QtPatterns(const QString& windowsPatterns) {
  QStringList patterns = windowsPatterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& pattern : patterns) pattern = pattern.trimmed();
  patterns.removeAll(QString());
  return patterns.join(QLatin1Char(' '));
}

}  // namespace

DialogButton DefaultButtonOf(const std::vector<DialogButton>& buttons) {
  return FirstOffered(buttons, {DialogButton::OK, DialogButton::Yes, DialogButton::Retry});
}

DialogButton EscapeButtonOf(const std::vector<DialogButton>& buttons) {
  return FirstOffered(buttons, {DialogButton::Cancel, DialogButton::No, DialogButton::OK});
}

QStringList QtFileFilters(const QString& filter) {
  // Qt filters by the patterns in the last pair of parentheses of an entry, so
  // an entry whose text already shows exactly its patterns is kept as it is
  // and any other gets them appended.
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString text = parts[i].trimmed();
    const QString patterns = QtPatterns(parts[i + 1]);
    if (patterns.isEmpty()) continue;  // an entry that filters nothing is left out
    const QString shown = QStringLiteral("(%1)").arg(patterns);
    if (text.isEmpty())
      entries.push_back(shown);
    else if (text.endsWith(shown))
      entries.push_back(text);
    else
      entries.push_back(text + QLatin1Char(' ') + shown);
  }
  return entries;
}

}  // namespace drivecopy
