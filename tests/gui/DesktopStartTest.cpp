// How the program decides between the desktop and the command line, and the
// picture run, which drives every window through a whole create, restore
// and clone on the demo machine.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/application/DesktopMain.h"
#include "desktop/application/DesktopWindows.h"
#include "desktop/application/Screenshots.h"
#include "desktop/shared/UnattendedPromptService.h"
#include "platform/sim/SimulatedMachine.h"

using namespace drivecopy;

class DesktopStartTest : public QObject {
  Q_OBJECT

 private slots:
  void commandOrDesktop_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("desktop");
    QTest::newRow("nothing") << QStringList{} << true;
    QTest::newRow("demo machine") << QStringList{"--machine", "demo"} << true;
    QTest::newRow("joined options") << QStringList{"--machine=demo", "--language=3"} << true;
    QTest::newRow("pictures") << QStringList{"--language", "1", "--screenshots", "/tmp/x"} << true;
    QTest::newRow("Qt's own option") << QStringList{"-platform", "offscreen"} << true;
    QTest::newRow("a command") << QStringList{"--machine", "demo", "list"} << false;
    QTest::newRow("help") << QStringList{"--help"} << false;
    QTest::newRow("unknown word") << QStringList{"lits"} << false;
  }

  void commandOrDesktop() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, desktop);
    std::vector<std::string> words{"drivecopy"};
    for (const QString& argument : arguments) words.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    QCOMPARE(IsDesktopInvocation(static_cast<int>(argv.size()), argv.data()), desktop);
  }

  // Without a display the real program says where the windows can be had and
  // how to use the commands instead, before the toolkit is started (which
  // would abort the process), and ends with the status of a usage error.
  void noDisplayIsAUsageErrorWithAWayOut_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("desktop options") << QStringList{"--machine", "demo", "--language", "3"};
  }

  void noDisplayIsAUsageErrorWithAWayOut() {
    QFETCH(QStringList, arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(DRIVECOPY_BINARY, arguments);
    QVERIFY(program.waitForFinished(30000));
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 2);
    QVERIFY2(err.contains("no display to open the windows on"), qPrintable(err));
    QVERIFY2(err.contains("graphical session") && err.contains("QT_QPA_PLATFORM=offscreen"), qPrintable(err));
    QVERIFY2(err.contains("drivecopy --help"), qPrintable(err));
  }

  void picturesOfEveryWindowThroughWholeOperations() {
    auto machine = MakeDemoMachine();
    QVERIFY(machine);
    UnattendedPromptService prompts;
    DesktopSession session(*machine.value(), prompts);
    DesktopWindows windows(session);
    QTemporaryDir folder;
    QString error;
    const QStringList written = WriteScreenshots(windows, prompts, folder.path(), error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // No operation met a message box (a refusal or a failure would show one).
    QVERIFY2(prompts.Messages().isEmpty(), qPrintable(prompts.Messages().join(" | ")));

    QStringList names;
    for (const QString& path : written) names << QFileInfo(path).completeBaseName();
    const QStringList expected = {"start-screen",           "create-image-physical",
                                  "create-image-logical",   "restore-image",
                                  "create-window",          "create-window-running",
                                  "create-image-done",      "restore-window",
                                  "restore-window-running", "clone-source-chosen",
                                  "clone-window",           "clone-window-running",
                                  "clone-window-done",      "info-window"};
    QCOMPARE(names, expected);
    const QImage start(QDir(folder.path()).filePath("start-screen.png"));
    QCOMPARE(start.size(), QSize(597, 522));
  }
};

QTEST_MAIN(DesktopStartTest)
#include "DesktopStartTest.moc"
