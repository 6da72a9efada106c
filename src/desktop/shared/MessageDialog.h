#pragma once
#include <QDialog>
#include <QString>
#include <vector>

#include "desktop/shared/PromptService.h"
#include "text/MessageTexts.h"

class QPushButton;

namespace drivecopy {

// The program's question and warning dialog (object name "MessageDialog"):
// the type's icon, a word-wrapped message and a row of buttons. The title
// comes from the type and each button's caption from the loaded message texts
// ("&" marks the access key). The buttons stand in their fixed order (Yes, No,
// OK, Cancel, Abort, Retry, Ignore, All, No to all, Yes to all, Help) whatever
// order they are asked in; a dialog asked for no button shows OK. The default
// button and the Escape answer follow DefaultButtonOf / EscapeButtonOf.
class MessageDialog : public QDialog {
  Q_OBJECT
 public:
  // Builds the dialog without showing it.
  MessageDialog(QWidget* parent, const MessageTexts& texts, DialogType type, const QString& text,
                const std::vector<DialogButton>& buttons);

  // Shows the dialog modally; the button pressed, or the Escape button when
  // the dialog is closed otherwise (Escape key, title-bar close button).
  DialogButton Exec();

  // The push button of `button`, or null when the dialog does not offer it.
  QPushButton* Button(DialogButton button) const;
  DialogButton DefaultButton() const { return defaultButton_; }
  DialogButton EscapeButton() const { return escapeButton_; }

  // The title of a dialog of `type` and the caption of `button` in `texts`.
  static QString TitleFor(const MessageTexts& texts, DialogType type);
  static QString CaptionFor(const MessageTexts& texts, DialogButton button);

 public slots:
  void reject() override;

 private:
  struct OfferedButton {
    DialogButton Which;
    QPushButton* Widget;
  };

  void Answer(DialogButton button);

  std::vector<OfferedButton> buttons_;
  DialogButton defaultButton_;
  DialogButton escapeButton_;
  DialogButton answer_;
};

}  // namespace drivecopy
