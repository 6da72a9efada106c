#pragma once
#include <QTranslator>
#include <memory>

namespace drivecopy {

// Makes Qt's own texts (the file dialogs' buttons and columns, the standard
// context menus) follow the program's language, from Qt's translation files
// (Debian package qt6-translations-l10n). Returns the installed translator,
// which must live as long as the texts are used; null when the language is
// English or no translation file is installed (Qt then speaks English).
std::unique_ptr<QTranslator> InstallToolkitTranslation(int language);

}  // namespace drivecopy
