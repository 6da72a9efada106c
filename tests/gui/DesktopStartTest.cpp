// How the program decides between the desktop and the command line, how it
// asks for administrator rights at the start, and the picture run, which
// drives every window through a whole create, restore and clone on the demo
// machine.
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/application/DesktopMain.h"
#include "desktop/application/DesktopWindows.h"
#include "desktop/application/RightsAtStart.h"
#include "desktop/application/Screenshots.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/shared/UnattendedPromptService.h"
#include "gui/support/DesktopFixture.h"
#include "platform/sim/SimulatedMachine.h"

using namespace drivecopy;

namespace {

// Rights that are held or not, and a rerun that ends as told and is recorded.
class FakeRights : public AdministratorRights {
 public:
  FakeRights(bool held, RightsRerun answer) : held_(held), answer_(answer) {}
  bool Held() override { return held_; }
  RightsRerun RerunWithRights(const std::vector<std::string>& arguments) override {
    reruns.push_back(arguments);
    return answer_;
  }
  std::vector<std::vector<std::string>> reruns;

 private:
  bool held_;
  RightsRerun answer_;
};

}  // namespace

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
    QTest::newRow("menu entry") << QStringList{"--ask-for-rights"} << true;
    QTest::newRow("rerun with rights")
        << QStringList{"--language", "3", "--wayland-socket=/run/user/1000/wayland-0"} << true;
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

  void rightsAreAskedForOnlyWhenTheRealDrivesNeedThem_data() {
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("realMachine");
    QTest::addColumn<bool>("pictures");
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("ending");  // how the rerun ends, when there is one
    QTest::addColumn<int>("next");
    using Next = StartAfterRights::Next;
    using Ending = RightsRerun::Ending;
    const int none = -1;
    QTest::newRow("not asked") << false << true << false << false << none << int(Next::StartHere);
    QTest::newRow("already root") << true << true << false << true << none << int(Next::StartHere);
    QTest::newRow("simulated machine") << true << false << false << false << none << int(Next::StartHere);
    QTest::newRow("pictures") << true << true << true << false << none << int(Next::StartHere);
    QTest::newRow("ran with the rights")
        << true << true << false << false << int(Ending::Finished) << int(Next::End);
    QTest::newRow("refused") << true << true << false << false << int(Ending::Refused)
                             << int(Next::StartWithoutRights);
    QTest::newRow("no pkexec") << true << true << false << false << int(Ending::NoWayToAsk)
                               << int(Next::StartWithoutRights);
  }

  void rightsAreAskedForOnlyWhenTheRealDrivesNeedThem() {
    QFETCH(bool, asked);
    QFETCH(bool, realMachine);
    QFETCH(bool, pictures);
    QFETCH(bool, held);
    QFETCH(int, ending);
    QFETCH(int, next);
    FakeRights rights(held, {ending < 0 ? RightsRerun::Ending::Finished : RightsRerun::Ending(ending), 4});
    RightsRequest request{asked, realMachine, pictures, {"--language", "3"}};
    const StartAfterRights start = SettleRights(request, rights);
    QCOMPARE(int(start.What), next);
    if (ending < 0) {
      QVERIFY(rights.reruns.empty());
      return;
    }
    QCOMPARE(rights.reruns.size(), std::size_t{1});
    QCOMPARE(rights.reruns[0], request.Arguments);
    // The rerun's own status is the program's.
    if (start.What == StartAfterRights::Next::End) QCOMPARE(start.Rerun.ExitCode, 4);
  }

  void waylandSocketIsHandedOverOnlyWithoutAnXDisplay_data() {
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("socket");  // empty: none handed over
    QTest::newRow("Wayland alone") << ""
                                   << "wayland-0"
                                   << "/run/user/1000"
                                   << "/run/user/1000/wayland-0";
    QTest::newRow("runtime folder with slash") << ""
                                               << "wayland-1"
                                               << "/run/user/1000/"
                                               << "/run/user/1000/wayland-1";
    QTest::newRow("full path") << ""
                               << "/tmp/w-0"
                               << ""
                               << "/tmp/w-0";
    QTest::newRow("XWayland too") << ":0"
                                  << "wayland-0"
                                  << "/run/user/1000"
                                  << "";
    QTest::newRow("X alone") << ":0"
                             << ""
                             << ""
                             << "";
    QTest::newRow("no runtime folder") << ""
                                       << "wayland-0"
                                       << ""
                                       << "";
  }

  void waylandSocketIsHandedOverOnlyWithoutAnXDisplay() {
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(QString, runtime);
    QFETCH(QString, socket);
    const auto handed =
        WaylandSocketForRerun(display.toStdString(), wayland.toStdString(), runtime.toStdString());
    QCOMPARE(QString::fromStdString(handed.value_or("")), socket);
  }

  // Started without the rights it asked for, the program says at once that
  // drives cannot be opened, over its main window.
  void startWithoutRightsSaysDrivesCannotBeOpened() {
    for (const bool withoutRights : {false, true}) {
      test_support::DesktopFixture fixture;
      DesktopWindows windows(fixture.session);
      windows.ShowAtStart(withoutRights);
      QVERIFY(windows.Main().isVisible());
      QCoreApplication::processEvents();
      const auto& requests = fixture.prompts.Requests();
      QCOMPARE(requests.size(), std::size_t{withoutRights ? 1u : 0u});
      if (!withoutRights) continue;
      QCOMPARE(requests[0].Title, QString::fromStdString(fixture.session.texts.strSVISTATitle));
      QCOMPARE(requests[0].Text, QString::fromStdString(fixture.session.texts.strSVISTA));
      QCOMPARE(requests[0].Icon, MessageBoxIcon::Information);
    }
  }

  // The real program without root, as the menu entry starts it, with a
  // stand-in pkexec that refuses (or none): it runs pkexec with its own full
  // path and arguments less --ask-for-rights, then opens its windows all the
  // same (it is still running) and says why on standard error.
  void refusedRightsStillOpenTheWindows_data() {
    QTest::addColumn<int>("pkexecStatus");  // -1: no pkexec on PATH
    QTest::addColumn<QString>("said");
    QTest::newRow("dialog dismissed") << 126 << "not granted (pkexec ended with status 126)";
    QTest::newRow("not allowed") << 127 << "not granted (pkexec ended with status 127)";
    QTest::newRow("no pkexec") << -1 << "pkexec is not installed";
  }

  void refusedRightsStillOpenTheWindows() {
    QFETCH(int, pkexecStatus);
    QFETCH(QString, said);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString bin = folder.filePath("bin");
    const QString calls = folder.filePath("calls.txt");
    QVERIFY(QDir().mkpath(bin));
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(folder.path(), everyone);
    QFile::setPermissions(bin, everyone);
    if (pkexecStatus >= 0) {
      QFile script(bin + "/pkexec");
      QVERIFY(script.open(QIODevice::WriteOnly));
      script.write(QString(R"(#!/bin/sh
for word in "$@"; do printf '%s\n' "$word"; done > '%1'
exit %2
)")
                       .arg(calls)
                       .arg(pkexecStatus)
                       .toUtf8());
      script.close();
      script.setPermissions(everyone);
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "XAUTHORITY"})
      environment.remove(name);
    environment.insert("PATH", bin);
    environment.insert("HOME", folder.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(environment);
    // As root, the program runs as nobody, so that it has no rights to start with.
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() == 0) {
      if (nobody == nullptr) QSKIP("no user nobody to run the program without root");
      // The stand-in pkexec, run as nobody too, writes into a file root made.
      QFile recordFile(calls);
      QVERIFY(recordFile.open(QIODevice::WriteOnly));
      recordFile.setPermissions(everyone | QFile::WriteGroup | QFile::WriteOther);
      const uid_t uid = nobody->pw_uid;
      const gid_t gid = nobody->pw_gid;
      program.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(120);
      });
    }
    program.start(DRIVECOPY_BINARY, {"--ask-for-rights", "--language", "2"});
    if (!program.waitForStarted(10000)) QSKIP("the program cannot be started without root here");
    QString err;
    QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(program.readAllStandardError())).contains(said) ||
                                 program.state() == QProcess::NotRunning,
                             30000);
    QVERIFY2(err.contains(said), qPrintable(err));
    // Its windows are open, and its message waits for an answer.
    QVERIFY2(!program.waitForFinished(2000), qPrintable(err + program.readAllStandardError()));
    program.kill();
    program.waitForFinished(10000);

    if (pkexecStatus < 0) return;
    QFile recorded(calls);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QStringList arguments = QString::fromUtf8(recorded.readAll()).split('\n', Qt::SkipEmptyParts);
    const QStringList expected = {QFileInfo(DRIVECOPY_BINARY).canonicalFilePath(), "--language", "2"};
    QCOMPARE(arguments, expected);
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
