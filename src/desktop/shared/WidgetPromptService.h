#pragma once
#include "desktop/shared/PromptService.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The prompt service of the running program: the message dialog, plain
// message boxes and the toolkit's file choosers. Captions are read from
// `texts` at each call, so the service may be made before the texts are
// loaded (they must outlive it: the session's texts).
class WidgetPromptService : public PromptService {
 public:
  explicit WidgetPromptService(const MessageTexts& texts) : texts_(texts) {}

  DialogButton AskMessage(QWidget* parent, DialogType type, const QString& text,
                          const std::vector<DialogButton>& buttons) override;
  void ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                      MessageBoxIcon icon) override;
  // Overwriting is not confirmed here: the callers ask themselves before
  // they replace a file.
  std::optional<QString> ChooseSaveFile(QWidget* parent, const FileChoice& choice) override;
  std::optional<QString> ChooseOpenFile(QWidget* parent, const FileChoice& choice) override;

 private:
  const MessageTexts& texts_;
};

}  // namespace drivecopy
