#include "desktop/shared/ToolkitTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace drivecopy {

std::unique_ptr<QTranslator> InstallToolkitTranslation(int language) {
  // Language numbers 1..6 in their fixed order; English needs no translation.
  static const char* const codes[] = {"de", "", "ja", "fr", "it", "es"};
  if (language < 1 || language > 6 || codes[language - 1][0] == '\0') return nullptr;
  auto translator = std::make_unique<QTranslator>();
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QString("qtbase_") + codes[language - 1], folder)) return nullptr;
  QCoreApplication::installTranslator(translator.get());
  return translator;
}

}  // namespace drivecopy
