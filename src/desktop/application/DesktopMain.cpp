#include "desktop/application/DesktopMain.h"

#include <QApplication>
#include <charconv>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "desktop/application/DesktopWindows.h"
#include "desktop/application/RightsAtStart.h"
#include "desktop/application/Screenshots.h"
#include "desktop/main_window/MainWindow.h"
#include "desktop/shared/DesktopSession.h"
#include "desktop/shared/ToolkitTranslation.h"
#include "desktop/shared/UnattendedPromptService.h"
#include "desktop/shared/WidgetPromptService.h"
#include "text/StoredLanguage.h"

namespace drivecopy {
namespace {

constexpr const char* DesktopUsage =
    "Usage: drivecopy [--machine FILE|demo] [--language N] [--screenshots DIR] [--ask-for-rights]\n"
    "Without a command, drivecopy starts the desktop application.\n"
    "  --machine demo     the built-in simulated demo machine (no real disk is touched)\n"
    "  --machine FILE     the simulated machine that the JSON file FILE describes\n"
    "  --language N       store language N first (1 Deutsch, 2 English, 3 Japanese,\n"
    "                     4 Francaise, 5 Italiano, 6 Espanol)\n"
    "  --screenshots DIR  draw every window and page offscreen into PNG files in DIR and end\n"
    "  --ask-for-rights   without root, run again through pkexec, which asks for an\n"
    "                     administrator's password (the menu entry starts drivecopy so);\n"
    "                     refused, the windows open without the rights\n"
    "See drivecopy --help for the commands.\n";

struct DesktopOptions {
  std::string machine;
  std::optional<std::uint32_t> language;
  std::optional<std::string> screenshots;
  bool askForRights = false;
  std::optional<std::string> waylandSocket;  // handed over by an --ask-for-rights run
};

bool IsValueOption(const std::string& word) {
  return word == "--machine" || word == "--language" || word == "--screenshots" || word == "--wayland-socket";
}

// Reads the desktop options (IsDesktopInvocation has let only these and Qt's
// own through); false with a message on `err` for a missing or bad value.
bool ReadOptions(int argc, char** argv, DesktopOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--ask-for-rights") {
      options.askForRights = true;
      continue;
    }
    std::string value;
    const auto equals = word.find('=');
    const bool joined = word.starts_with("--") && equals != std::string::npos;
    if (joined) {
      value = word.substr(equals + 1);
      word = word.substr(0, equals);
    } else if (i + 1 < argc) {
      value = argv[i + 1];
    }
    if (!IsValueOption(word)) {
      ++i;  // one of Qt's options and its value; QApplication reads them
      continue;
    }
    if (!joined) {
      if (i + 1 >= argc) {
        std::cerr << "drivecopy: " << word << " needs a value\n" << DesktopUsage;
        return false;
      }
      ++i;
    }
    if (word == "--machine") {
      options.machine = value;
    } else if (word == "--screenshots") {
      options.screenshots = value;
    } else if (word == "--wayland-socket") {
      options.waylandSocket = value;
    } else {
      std::uint32_t number = 0;
      const auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (status != std::errc() || end != value.data() + value.size()) {
        std::cerr << "drivecopy: --language needs a number, not '" << value << "'\n" << DesktopUsage;
        return false;
      }
      options.language = number;
    }
  }
  return true;
}

// True when the toolkit has somewhere to draw: an X or Wayland display, or a
// platform chosen in QT_QPA_PLATFORM or with -platform (or a display named
// with -display). Without one, creating the application would abort the
// process inside the toolkit.
bool HasPlaceToDraw(int argc, char** argv) {
  if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
      !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    return true;
  }
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string word = argv[i];
    if (word == "-platform" || word == "-display") return true;
  }
  return false;
}

constexpr const char* NoDisplayText =
    "drivecopy: there is no display to open the windows on (DISPLAY and WAYLAND_DISPLAY are not set,\n"
    "           and no QT_QPA_PLATFORM is chosen).\n"
    "drivecopy: for the windows, start drivecopy in a graphical session (or under xvfb-run);\n"
    "           QT_QPA_PLATFORM=offscreen runs them without a screen, and --screenshots DIR draws\n"
    "           them into pictures.\n"
    "drivecopy: without a display, use the commands: drivecopy list, info, create, restore and\n"
    "           clone (see drivecopy --help).\n";

// Takes over the Wayland socket an --ask-for-rights run handed over (pkexec
// keeps no Wayland variables) unless a display is named already.
void TakeOverWaylandSocket(const DesktopOptions& options) {
  if (!options.waylandSocket || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return;
  qputenv("WAYLAND_DISPLAY", QByteArray::fromStdString(*options.waylandSocket));
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "wayland");
}

RightsRequest RightsRequestOf(const DesktopOptions& options, int argc, char** argv) {
  RightsRequest request;
  request.AskForRights = options.askForRights;
  request.RealMachine = options.machine.empty();
  request.DrawsPictures = options.screenshots.has_value();
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) != "--ask-for-rights") request.Arguments.emplace_back(argv[i]);
  }
  const auto socket =
      WaylandSocketForRerun(qgetenv("DISPLAY").toStdString(), qgetenv("WAYLAND_DISPLAY").toStdString(),
                            qgetenv("XDG_RUNTIME_DIR").toStdString());
  if (socket) request.Arguments.push_back("--wayland-socket=" + *socket);
  return request;
}

// One line on standard error for a start without the rights asked for; the
// window then says the same to the user.
void ReportStartWithoutRights(const RightsRerun& rerun) {
  if (rerun.How == RightsRerun::Ending::NoWayToAsk) {
    std::cerr << "drivecopy: cannot ask for administrator rights (pkexec is not installed); "
                 "starting without them, so drives cannot be opened\n";
  } else {
    std::cerr << "drivecopy: administrator rights were not granted (pkexec ended with status "
              << rerun.ExitCode << "); starting without them, so drives cannot be opened\n";
  }
}

// The session and the real dialogs, which read the session's message texts at
// the time they are shown (the texts are loaded after both exist).
struct SessionWithDialogs {
  explicit SessionWithDialogs(Platform& platform) : session(platform, prompts), prompts(session.texts) {}
  DesktopSession session;  // holds a reference to `prompts`, used only after construction
  WidgetPromptService prompts;
};

}  // namespace

bool IsDesktopInvocation(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (IsValueOption(word) || word == "-platform" || word == "-style" || word == "-display") {
      ++i;  // the option's value
      continue;
    }
    if (word.starts_with("--machine=") || word.starts_with("--language=") ||
        word.starts_with("--screenshots=") || word.starts_with("--wayland-socket=") ||
        word == "--ask-for-rights") {
      continue;
    }
    return false;  // a command, --help or something the command line must judge
  }
  return true;
}

int RunDesktop(int argc, char** argv, const PlatformChooser& choosePlatform, AdministratorRights& rights) {
  DesktopOptions options;
  if (!ReadOptions(argc, argv, options)) return 2;
  // Pictures are drawn without a screen unless a platform was chosen.
  if (options.screenshots && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  TakeOverWaylandSocket(options);
  if (!HasPlaceToDraw(argc, argv)) {
    std::cerr << NoDisplayText;
    return 2;
  }

  const StartAfterRights afterRights = SettleRights(RightsRequestOf(options, argc, argv), rights);
  if (afterRights.What == StartAfterRights::Next::End) return afterRights.Rerun.ExitCode;
  const bool withoutRights = afterRights.What == StartAfterRights::Next::StartWithoutRights;
  if (withoutRights) ReportStartWithoutRights(afterRights.Rerun);

  auto platform = choosePlatform(options.machine);
  if (!platform) {
    std::cerr << "drivecopy: cannot set up the machine"
              << (options.machine.empty() ? std::string() : " '" + options.machine + "'") << ": "
              << platform.error().text << "\n";
    return 1;
  }
  if (options.language && !platform.value()->WriteSettingNumber(LanguageSettingName, *options.language)) {
    std::cerr << "drivecopy: cannot store the language (the settings store is not writable); "
                 "starting with the stored one\n";
  }

  QApplication application(argc, argv);
  // The application title (task bar); Qt would append a display name to
  // every window caption, so none is set.
  QApplication::setApplicationName("TALVO Drive Copy");
  // The installed menu entry (drivecopy.desktop): the desktop takes its icon
  // and name for the windows from it.
  QGuiApplication::setDesktopFileName("drivecopy");

  if (options.screenshots) {
    UnattendedPromptService prompts;
    DesktopSession session(*platform.value(), prompts);
    DesktopWindows windows(session);
    const std::unique_ptr<QTranslator> toolkitTexts =
        InstallToolkitTranslation(session.dispatcher.ActiveLanguage());
    QString error;
    const QStringList written =
        WriteScreenshots(windows, prompts, QString::fromStdString(*options.screenshots), error);
    for (const QString& path : written) std::cout << path.toStdString() << "\n";
    for (const QString& message : prompts.Messages())
      std::cerr << "drivecopy: shown: " << message.toStdString() << "\n";
    if (!error.isEmpty()) {
      std::cerr << "drivecopy: " << error.toStdString() << "\n";
      return 1;
    }
    return 0;
  }

  SessionWithDialogs run(*platform.value());
  DesktopWindows windows(run.session);
  const std::unique_ptr<QTranslator> toolkitTexts =
      InstallToolkitTranslation(run.session.dispatcher.ActiveLanguage());
  windows.ShowAtStart(withoutRights);
  return QApplication::exec();
}

}  // namespace drivecopy
