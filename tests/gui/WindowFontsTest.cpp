// The faces the windows draw with in each language: bold labels get a real
// bold face, and every list and memo of a page shares one family, so a
// character such as the backslash of "A:\" looks the same everywhere.
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

#include "desktop/application/DesktopWindows.h"
#include "desktop/main_window/InfoWindow.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "gui/support/DesktopFixture.h"

using namespace drivecopy;
using drivecopy::test_support::DesktopFixture;

namespace {

std::string MachineWithLanguage(int language) {
  return QString(R"({ "settings": { "writable": true, "values": { "Language": %1 } } })")
      .arg(language)
      .toStdString();
}

bool HasBoldFace(const QString& family) {
  const QStringList styles = QFontDatabase::styles(family);
  for (const QString& style : styles) {
    if (QFontDatabase::weight(family, style) >= QFont::DemiBold) return true;
  }
  return false;
}

// The family the toolkit really draws `widget`'s text with.
QString DrawnFamily(const QWidget& widget) { return QFontInfo(widget.font()).family(); }

void AddLanguages() {
  QTest::addColumn<int>("language");
  for (int language = 1; language <= 6; ++language) QTest::addRow("language %d", language) << language;
}

}  // namespace

class WindowFontsTest : public QObject {
  Q_OBJECT

 private slots:
  void boldLabelsHaveABoldFace_data() { AddLanguages(); }

  // Next, Cancel, Start, Abort and the info window's labels are bold; a
  // family without a bold face would draw them regular.
  void boldLabelsHaveABoldFace() {
    QFETCH(int, language);
    DesktopFixture fixture(MachineWithLanguage(language));
    DesktopWindows windows(fixture.session);
    const QList<QWidget*> topLevels = {&windows.Main(), &windows.RestoreImage(), &windows.CreateImage(),
                                       &windows.Clone(), &windows.Info()};
    int boldLabels = 0;
    for (QWidget* window : topLevels) {
      for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->font().bold() || label->text().isEmpty()) continue;
        ++boldLabels;
        const QString family = DrawnFamily(*label);
        QVERIFY2(HasBoldFace(family),
                 qPrintable(QString("%1 in %2: %3 has no bold face")
                                .arg(label->objectName(), window->objectName(), family)));
      }
    }
    QVERIFY(boldLabels >= 10);
  }

  void listsAndMemosOfAPageShareOneFamily_data() { AddLanguages(); }
  void listsAndMemosOfAPageShareOneFamily() {
    QFETCH(int, language);
    DesktopFixture fixture(MachineWithLanguage(language));
    DesktopWindows windows(fixture.session);
    const char* pages[] = {"CI_PhysDrivesTntTabSheet", "CI_LogicalDrivesTabSheet", "TntTabSheet2"};
    for (const char* pageName : pages) {
      auto* page = windows.Main().findChild<QWidget*>(pageName);
      QVERIFY(page != nullptr);
      QStringList places;
      QSet<QString> families;
      for (QWidget* widget : page->findChildren<QWidget*>()) {
        if (qobject_cast<QListWidget*>(widget) == nullptr &&
            qobject_cast<QPlainTextEdit*>(widget) == nullptr) {
          continue;
        }
        families.insert(DrawnFamily(*widget));
        places.append(widget->objectName() + ": " + DrawnFamily(*widget));
      }
      QVERIFY2(families.size() == 1, qPrintable(pageName + QString(": ") + places.join(", ")));
    }
  }
};

QTEST_MAIN(WindowFontsTest)
#include "WindowFontsTest.moc"
