#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "desktop/shared/MessageDialog.h"
#include "desktop/shared/PromptService.h"
#include "desktop/shared/WidgetPromptService.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

using namespace drivecopy;

Q_DECLARE_METATYPE(std::vector<drivecopy::DialogButton>)
Q_DECLARE_METATYPE(drivecopy::DialogButton)
Q_DECLARE_METATYPE(drivecopy::DialogType)

namespace {

using Buttons = std::vector<DialogButton>;

// Runs `act` on the modal dialog once it is open and active (the test thread
// is inside its exec then). A dialog that never opens, or that `act` leaves
// open, is closed after a while, so a fault fails the test instead of hanging it.
void WhenModalOpens(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QPointer<QWidget> modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      QWARN("no modal dialog opened");
      return;
    }
    if (!QTest::qWaitForWindowActive(modal)) QWARN("the dialog did not become active");
    act(*modal);
    QTimer::singleShot(3000, [modal] {
      if (modal != nullptr && modal->isVisible()) {
        QWARN("the dialog stayed open");
        modal->close();
      }
    });
  });
}

}  // namespace

class PromptServiceTest : public QObject {
  Q_OBJECT

 private slots:
  void defaultAndEscapeButtons_data() {
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<DialogButton>("defaultButton");
    QTest::addColumn<DialogButton>("escapeButton");
    using B = DialogButton;
    QTest::newRow("OK Cancel") << Buttons{B::OK, B::Cancel} << B::OK << B::Cancel;
    QTest::newRow("Yes No") << Buttons{B::Yes, B::No} << B::Yes << B::No;
    QTest::newRow("Yes No Cancel") << Buttons{B::Yes, B::No, B::Cancel} << B::Yes << B::Cancel;
    QTest::newRow("Retry Cancel") << Buttons{B::Retry, B::Cancel} << B::Retry << B::Cancel;
    QTest::newRow("Abort Retry Ignore") << Buttons{B::Abort, B::Retry, B::Ignore} << B::Retry << B::Abort;
    QTest::newRow("OK alone") << Buttons{B::OK} << B::OK << B::OK;
    QTest::newRow("OK before Yes, asked last") << Buttons{B::No, B::Yes, B::OK} << B::OK << B::No;
    QTest::newRow("Ignore Help: the first") << Buttons{B::Ignore, B::Help} << B::Ignore << B::Ignore;
    QTest::newRow("none: OK") << Buttons{} << B::OK << B::OK;
  }

  void defaultAndEscapeButtons() {
    QFETCH(Buttons, buttons);
    QFETCH(DialogButton, defaultButton);
    QFETCH(DialogButton, escapeButton);
    QCOMPARE(DefaultButtonOf(buttons), defaultButton);
    QCOMPARE(EscapeButtonOf(buttons), escapeButton);

    // The built dialog marks the same default button and offers every button.
    const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), 2);
    MessageDialog dialog(nullptr, texts, DialogType::Confirmation, QStringLiteral("?"), buttons);
    QVERIFY(dialog.Button(defaultButton) != nullptr);
    QVERIFY(dialog.Button(defaultButton)->isDefault());
    QCOMPARE(dialog.EscapeButton(), escapeButton);
    for (const DialogButton button : buttons) QVERIFY(dialog.Button(button) != nullptr);
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), qMax<qsizetype>(1, qsizetype(buttons.size())));
  }

  void germanTitles_data() {
    QTest::addColumn<DialogType>("type");
    QTest::addColumn<QString>("title");
    QTest::newRow("warning") << DialogType::Warning << QStringLiteral("Warnung");
    QTest::newRow("error") << DialogType::Error << QStringLiteral("Fehler");
    QTest::newRow("information") << DialogType::Information << QStringLiteral("Information");
    QTest::newRow("confirmation") << DialogType::Confirmation << QStringLiteral("Bestätigung");
    QTest::newRow("custom: application title") << DialogType::Custom << QStringLiteral("TALVO Drive Copy");
  }

  void germanTitles() {
    QFETCH(DialogType, type);
    QFETCH(QString, title);
    const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), 1);
    MessageDialog dialog(nullptr, texts, type, QStringLiteral("Text"), {DialogButton::OK});
    QCOMPARE(dialog.objectName(), QStringLiteral("MessageDialog"));
    QCOMPARE(dialog.windowTitle(), title);
  }

  void germanCaptionsInFixedOrder() {
    using B = DialogButton;
    const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), 1);
    // Asked in a shuffled order: they stand in the fixed order all the same.
    MessageDialog dialog(nullptr, texts, DialogType::Warning, QStringLiteral("Text"),
                         {B::Help, B::YesToAll, B::NoToAll, B::All, B::Ignore, B::Retry, B::Abort, B::Cancel,
                          B::OK, B::No, B::Yes});
    const QStringList expected{"Ja",         "Nein", "OK",        "Beenden", "Abbruch", "Wiederholen",
                               "Ignorieren", "Alle", "Alle Nein", "Alle Ja", "Hilfe"};
    QStringList shown;
    for (const QPushButton* push : dialog.findChildren<QPushButton*>()) shown << push->text();
    QCOMPARE(shown, expected);
    QCOMPARE(dialog.Button(B::Yes)->text(), QStringLiteral("Ja"));
    QCOMPARE(dialog.Button(B::Cancel)->text(), QStringLiteral("Beenden"));
  }

  void executedDialogAnswers_data() {
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<int>("key");
    QTest::addColumn<DialogButton>("answer");
    using B = DialogButton;
    QTest::newRow("Yes No, Escape") << Buttons{B::Yes, B::No} << int(Qt::Key_Escape) << B::No;
    QTest::newRow("Yes No, Return") << Buttons{B::Yes, B::No} << int(Qt::Key_Return) << B::Yes;
    QTest::newRow("OK Cancel, Escape") << Buttons{B::OK, B::Cancel} << int(Qt::Key_Escape) << B::Cancel;
    QTest::newRow("Abort Retry Ignore, Return")
        << Buttons{B::Abort, B::Retry, B::Ignore} << int(Qt::Key_Return) << B::Retry;
    QTest::newRow("Abort Retry Ignore, access key I")
        << Buttons{B::Abort, B::Retry, B::Ignore} << int(Qt::Key_I) << B::Ignore;
  }

  void executedDialogAnswers() {
    QFETCH(Buttons, buttons);
    QFETCH(int, key);
    QFETCH(DialogButton, answer);
    const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), 2);
    MessageDialog dialog(nullptr, texts, DialogType::Confirmation, QStringLiteral("Sure?"), buttons);
    WhenModalOpens([key](QWidget& modal) {
      // "&Ignore" makes I the access key, pressed with Alt.
      const Qt::KeyboardModifiers modifiers = key == Qt::Key_I ? Qt::AltModifier : Qt::NoModifier;
      QWidget* target = modal.focusWidget() != nullptr ? modal.focusWidget() : &modal;
      QTest::keyClick(target, Qt::Key(key), modifiers);
    });
    QCOMPARE(dialog.Exec(), answer);
  }

  void closingTheWindowAnswersEscape() {
    const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), 2);
    MessageDialog dialog(nullptr, texts, DialogType::Confirmation, QStringLiteral("Sure?"),
                         {DialogButton::Yes, DialogButton::No});
    WhenModalOpens([](QWidget& modal) { modal.close(); });
    QCOMPARE(dialog.Exec(), DialogButton::No);
  }

  void serviceReadsTextsWhenAsked() {
    // The session's texts are filled after the service is made.
    MessageTexts texts;
    WidgetPromptService service(texts);
    texts = UpdateStrings(MessageCatalogue::Builtin(), 1);

    QString title;
    QString yesCaption;
    WhenModalOpens([&](QWidget& modal) {
      title = modal.windowTitle();
      auto* no = modal.findChild<QPushButton*>(QStringLiteral("No"));
      yesCaption = modal.findChild<QPushButton*>(QStringLiteral("Yes"))->text();
      QTest::mouseClick(no, Qt::LeftButton);
    });
    QCOMPARE(service.AskMessage(nullptr, DialogType::Confirmation, QStringLiteral("Überschreiben?"),
                                {DialogButton::Yes, DialogButton::No}),
             DialogButton::No);
    QCOMPARE(title, QStringLiteral("Bestätigung"));
    QCOMPARE(yesCaption, QStringLiteral("Ja"));

    QString boxTitle;
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    QStringList boxButtons;
    WhenModalOpens([&](QWidget& modal) {
      boxTitle = modal.windowTitle();
      if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        boxIcon = box->icon();
        for (QAbstractButton* button : box->buttons()) boxButtons << button->text();
      }
      QTest::keyClick(&modal, Qt::Key_Escape);
    });
    service.ShowMessageBox(nullptr, QStringLiteral("Fehler beim Öffnen"), QStringLiteral("Text"),
                           MessageBoxIcon::Error);
    QCOMPARE(boxTitle, QStringLiteral("Fehler beim Öffnen"));
    QCOMPARE(boxIcon, QMessageBox::Critical);
    QCOMPARE(boxButtons, QStringList{QStringLiteral("OK")});
  }

  void fileChooserKeepsDefaultExtensionAndFilters() {
    MessageTexts texts;
    WidgetPromptService service(texts);
    const QString folder = QDir::tempPath();
    QString title;
    QStringList filters;
    WhenModalOpens([&](QWidget& modal) {
      title = modal.windowTitle();
      if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
        filters = dialog->nameFilters();
        // The user types a name without extension.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
          name->clear();
          QTest::keyClicks(name, QStringLiteral("backup"));
        }
        QMetaObject::invokeMethod(dialog, "accept");
      } else {
        modal.close();
      }
    });
    const std::optional<QString> chosen =
        service.ChooseSaveFile(nullptr, {QStringLiteral("Save Disk Image"),
                                         QStringLiteral("Image files (*.img)|*.img| All Files (*.*)|*.*"),
                                         QStringLiteral("img"), folder + QStringLiteral("/old.img")});
    QCOMPARE(title, QStringLiteral("Save Disk Image"));
    QCOMPARE(filters, (QStringList{"Image files (*.img)", "All Files (*.*)"}));
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen).absoluteFilePath(),
             QFileInfo(folder + QStringLiteral("/backup.img")).absoluteFilePath());

    WhenModalOpens([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Escape); });
    QVERIFY(!service.ChooseOpenFile(nullptr, {QString(), QStringLiteral("All|*.*"), QString(), QString()})
                 .has_value());
  }

  void qtFileFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("image filter") << QStringLiteral("Image files (*.img)|*.img| All Files (*.*)|*.*")
                                  << QStringList{"Image files (*.img)", "All Files (*.*)"};
    QTest::newRow("patterns not in the text") << QStringLiteral("Pictures|*.png;*.jpg|Logs|*.log")
                                              << QStringList{"Pictures (*.png *.jpg)", "Logs (*.log)"};
    QTest::newRow("text shows other patterns")
        << QStringLiteral("Images (*.img)|*.img;*.vrz") << QStringList{"Images (*.img) (*.img *.vrz)"};
    QTest::newRow("text without patterns dropped")
        << QStringLiteral("Images|*.img|Orphan") << QStringList{"Images (*.img)"};
    QTest::newRow("empty") << QString() << QStringList{};
  }

  void qtFileFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(QtFileFilters(filter), expected);
  }
};

QTEST_MAIN(PromptServiceTest)
#include "PromptServiceTest.moc"
