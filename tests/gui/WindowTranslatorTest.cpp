#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QtTest>

#include "desktop/shared/WindowTranslator.h"
#include "desktop/translation/LanguageDispatcher.h"
#include "desktop/translation/TranslationTable.h"
#include "desktop/widgets/CheckListView.h"
#include "desktop/widgets/PanelStatusBar.h"

namespace drivecopy {

// A window class of its own, so its row is keyed by "TSmallForm" although
// Qt names the class "drivecopy::TSmallForm".
class TSmallForm : public QWidget {
  Q_OBJECT
 public:
  TSmallForm() {
    setWindowTitle(QStringLiteral("Small Form"));
    auto* next = new QLabel(QStringLiteral("Next"), this);
    next->setObjectName(QStringLiteral("HDDNextLabel"));
    auto* onlyGerman = new QLabel(QStringLiteral("Design"), this);
    onlyGerman->setObjectName(QStringLiteral("DesignLabel"));
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("CreateImageTabSheet"));
    tabs->addTab(page, QStringLiteral("Create Image"));
    auto* group = new QGroupBox(QStringLiteral("Allgemein"), page);
    group->setObjectName(QStringLiteral("TntGroupBox2"));
    auto* box = new QCheckBox(QStringLiteral("Log"), group);
    box->setObjectName(QStringLiteral("LogFileCheckBox"));
    auto* list = new CheckListView(page);
    list->setObjectName(QStringLiteral("CI_HDDListView"));
    auto* status = new PanelStatusBar({150, 50}, this);
    status->setObjectName(QStringLiteral("TntStatusBar1"));
    auto* dialog = new QObject(this);  // a non-visual part with a dynamic property
    dialog->setObjectName(QStringLiteral("OpenImageDialog"));
    dialog->setProperty("Filter", QStringLiteral("design filter"));
  }
};

class WindowTranslatorTest : public QObject {
  Q_OBJECT

 private:
  static TranslationTable Table() {
    Outcome<TranslationTable> parsed = TranslationTable::Parse(
        "[stCaptions]\n"
        "TSmallForm\tKleines Fenster\tSmall Form\t\xE5\xB0\x8F\t\t\t\n"
        "HDDNextLabel\tWeiter\tNext\t\t\t\t\n"
        "DesignLabel\tEntwurf\t\t\t\t\t\n"
        "CreateImageTabSheet\tImage erstellen\tCreate Image\t\t\t\t\n"
        "TntGroupBox2\tAllgemein\tGeneral\t\t\t\t\n"
        "LogFileCheckBox\tLog\\nDatei\tLog file\t\t\t\t\n"
        "NoSuchControl\tx\tx\tx\tx\tx\tx\n"
        "[stHints]\n"
        "HDDNextLabel\tWeiter zum Fenster\t\t\t\t\t\n"
        "[stFonts]\n"
        "HDDNextLabel\tTahoma\tTahoma\t@Arial Unicode MS\t\t\t\n"
        "[stCharSets]\n"
        "HDDNextLabel\tHANGEUL_CHARSET\tDEFAULT_CHARSET\tSHIFTJIS_CHARSET\t\t\t\n"
        "[stCollections]\n"
        "CI_HDDListView.Columns[0].Caption\tName (de)\tName\t\t\t\t\n"
        "TntStatusBar1.Panels[1].Text\tBereit\tReady\t\t\t\t\n"
        "HDDNextLabel.Columns[0].Caption\tx\tx\t\t\t\t\n"  // no collections: skipped
        "[stOtherStrings]\n"
        "OpenImageDialog.Filter\tImage-Dateien|*.img\tImage files|*.img\t\t\t\t\n");
    if (!parsed.ok()) qFatal("%s", parsed.error().text.c_str());
    return parsed.value();
  }

 private slots:
  void appliesEverySectionByObjectName() {
    const TranslationTable table = Table();
    TSmallForm window;
    LanguageDispatcher dispatcher;
    auto* translator =
        new WindowTranslator(window, table, QStringLiteral("TSmallForm"), 2, QStringLiteral("siLangLinked1"));
    QCOMPARE(window.findChild<WindowTranslator*>(QStringLiteral("siLangLinked1")), translator);
    int changeEvents = 0;
    translator->SetChangeHandler([&changeEvents] { ++changeEvents; });
    dispatcher.Link(*translator);
    QCOMPARE(changeEvents, 0);  // already in its design language: nothing applied

    QVERIFY(!dispatcher.SetActiveLanguage(1).has_value());
    QCOMPARE(changeEvents, 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("Kleines Fenster"));
    auto* next = window.findChild<QLabel*>(QStringLiteral("HDDNextLabel"));
    QCOMPARE(next->text(), QStringLiteral("Weiter"));
    QCOMPARE(next->toolTip(), QStringLiteral("Weiter zum Fenster"));
    QCOMPARE(next->property("charSet").toString(), QStringLiteral("HANGEUL_CHARSET"));
    QCOMPARE(next->font().families().value(0), QStringLiteral("Tahoma"));
    QVERIFY(next->font().families().contains(QStringLiteral("DejaVu Sans")));
    auto* tabs = window.findChild<QTabWidget*>();
    QCOMPARE(tabs->tabText(0), QStringLiteral("Image erstellen"));
    QCOMPARE(window.findChild<QGroupBox*>(QStringLiteral("TntGroupBox2"))->title(),
             QStringLiteral("Allgemein"));
    QCOMPARE(window.findChild<QCheckBox*>(QStringLiteral("LogFileCheckBox"))->text(),
             QStringLiteral("Log\nDatei"));
    QCOMPARE(window.findChild<CheckListView*>(QStringLiteral("CI_HDDListView"))->ColumnCaption(0),
             QStringLiteral("Name (de)"));
    QCOMPARE(window.findChild<PanelStatusBar*>(QStringLiteral("TntStatusBar1"))->PanelText(1),
             QStringLiteral("Bereit"));
    QCOMPARE(window.findChild<QObject*>(QStringLiteral("OpenImageDialog"))->property("Filter"),
             QVariant(QStringLiteral("Image-Dateien|*.img")));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("DesignLabel"))->text(), QStringLiteral("Entwurf"));

    // English: the empty English cell of DesignLabel leaves the German text
    // in place (no fallback); everything else is English again.
    QVERIFY(!dispatcher.SetActiveLanguage(2).has_value());
    QCOMPARE(changeEvents, 2);
    QCOMPARE(window.windowTitle(), QStringLiteral("Small Form"));
    QCOMPARE(next->text(), QStringLiteral("Next"));
    QCOMPARE(next->property("charSet").toString(), QStringLiteral("DEFAULT_CHARSET"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Create Image"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("DesignLabel"))->text(), QStringLiteral("Entwurf"));

    // French has no cells at all: every text stays as it is.
    QVERIFY(!dispatcher.SetActiveLanguage(4).has_value());
    QCOMPARE(next->text(), QStringLiteral("Next"));
    QCOMPARE(window.findChild<QGroupBox*>(QStringLiteral("TntGroupBox2"))->title(),
             QStringLiteral("General"));
    dispatcher.Unlink(*translator);
  }

  void japaneseGetsAnInstalledJapaneseFamilyBeforeTheLatinOne() {
    const TranslationTable table = Table();
    TSmallForm window;
    WindowTranslator translator(window, table, QStringLiteral("TSmallForm"), 2, QStringLiteral("siLang1"));
    QVERIFY(!translator.SetLanguage(3).has_value());
    auto* next = window.findChild<QLabel*>(QStringLiteral("HDDNextLabel"));
    QCOMPARE(next->property("charSet").toString(), QStringLiteral("SHIFTJIS_CHARSET"));
    QCOMPARE(next->text(), QStringLiteral("Next"));  // empty Japanese cell
    QCOMPARE(window.windowTitle(), QStringLiteral("\u5C0F"));

    const QStringList families = next->font().families();
    QCOMPARE(families.value(0), QStringLiteral("Arial Unicode MS"));  // "@" dropped
    qsizetype japanese = -1;
    for (qsizetype i = 0; i < families.size(); ++i) {
      if (QFontDatabase::families().contains(families[i]) &&
          QFontDatabase::writingSystems(families[i]).contains(QFontDatabase::Japanese)) {
        japanese = i;
        break;
      }
    }
    QVERIFY2(japanese > 0, qPrintable(families.join(QStringLiteral(", "))));
    QVERIFY(japanese < families.indexOf(QStringLiteral("DejaVu Sans")));
  }

  void fontFamiliesForLatinCharacterSets() {
    QCOMPARE(FontFamiliesFor(QStringLiteral("Tahoma"), QStringLiteral("DEFAULT_CHARSET")),
             (QStringList{QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}));
    QCOMPARE(FontFamiliesFor(QString(), QString()), QStringList{QStringLiteral("DejaVu Sans")});
  }
};

}  // namespace drivecopy

QTEST_MAIN(drivecopy::WindowTranslatorTest)
#include "WindowTranslatorTest.moc"
