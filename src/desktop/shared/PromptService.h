#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

namespace drivecopy {

// The kinds of the program's message dialogs; the title comes from the type.
enum class DialogType { Warning, Error, Information, Confirmation, Custom };

// The buttons a message dialog can offer, captions from the catalogue.
enum class DialogButton { Yes, No, OK, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };

// Icons of the plain message boxes (title and text given by the caller).
enum class MessageBoxIcon { None, Error, Warning, Information };

// What a file chooser is asked for.
struct FileChoice {
  QString Title;             // empty: the toolkit's default title
  QString Filter;            // "Image files (*.img)|*.img| All Files (*.*)|*.*"
  QString DefaultExtension;  // "img": appended when the name has none
  QString InitialPath;       // the name it returned last, or empty
};

// Every dialog and file chooser of the program goes through one prompt
// service, so the desktop tests answer them without a person. The dialogs are
// modal; `parent` is the window asking (may be null).
class PromptService {
 public:
  virtual ~PromptService() = default;

  // A message dialog of `type` with `buttons`; the answer is the button
  // pressed, or the Escape button when the dialog is closed otherwise.
  virtual DialogButton AskMessage(QWidget* parent, DialogType type, const QString& text,
                                  const std::vector<DialogButton>& buttons) = 0;

  // A plain message box with one OK button (errors the user must act on, the
  // system's own error texts).
  virtual void ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                              MessageBoxIcon icon) = 0;

  // A save or open file chooser; nullopt when the user cancels.
  virtual std::optional<QString> ChooseSaveFile(QWidget* parent, const FileChoice& choice) = 0;
  virtual std::optional<QString> ChooseOpenFile(QWidget* parent, const FileChoice& choice) = 0;
};

// The default and Escape buttons of a message dialog with `buttons`: default
// OK when present, else Yes, else Retry (else the first); Escape Cancel, else
// No, else OK (else the first).
DialogButton DefaultButtonOf(const std::vector<DialogButton>& buttons);
DialogButton EscapeButtonOf(const std::vector<DialogButton>& buttons);

// Splits a filter of the form "Text|patterns|Text|patterns" into Qt's
// "Text (patterns)" entries.
QStringList QtFileFilters(const QString& filter);

}  // namespace drivecopy
