#pragma once
#include <QObject>
#include <QWidget>

#include "desktop/translation/LanguageDispatcher.h"
#include "desktop/translation/TranslationTable.h"

namespace drivecopy {

// A window's translator (object name "siLang1" on the main window,
// "siLangLinked1" on the others): applies the window's translation table to
// the window and its children, found by object name.
//  - stCaptions: window title (the row keyed by the window's class name as
//    the table spells it, e.g. "TVRZMainForm"),
//    QLabel / QAbstractButton text, QGroupBox title, a page's tab text in its
//    QTabWidget (and its window title), a QAction's text;
//  - stHints: tool tip;
//  - stFonts: the font face ("@" prefix dropped), with installed fall-backs;
//  - stCharSets: the character set name is kept in the widget's dynamic
//    property "charSet"; SHIFTJIS_CHARSET (and the other CJK sets) add an
//    installed CJK font to the widget's font families so the text renders;
//  - stCollections: "Name.Collection[i].Property" calls the object's
//    invokable setCollectionText(collection, i, property, text);
//  - stOtherStrings: "Name.Property" sets the object's Qt property `Property`.
// Rows whose control does not exist are skipped.
class WindowTranslator : public QObject, public LanguageTranslator {
  Q_OBJECT
 public:
  // `window` must outlive the translator (make the translator its child).
  // `windowClass` is the name the table's rows give the window itself.
  WindowTranslator(QWidget& window, const TranslationTable& table, const QString& windowClass,
                   int designLanguage, const QString& objectName);

 protected:
  void ApplyTables(int language) override;

 private:
  QWidget& window_;
  const TranslationTable& table_;
  const QString windowClass_;
};

// The font families to use for a face name from a table ("Tahoma",
// "@Arial Unicode MS") and character set name: the face itself, then
// installed fall-backs (a Latin sans, and an installed CJK family for the CJK
// sets). Used by the translator and by windows that build fonts by hand.
QStringList FontFamiliesFor(const QString& face, const QString& charSetName);

}  // namespace drivecopy
