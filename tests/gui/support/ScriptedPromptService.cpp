#include "gui/support/ScriptedPromptService.h"

namespace drivecopy::test_support {

DialogButton ScriptedPromptService::AskMessage(QWidget*, DialogType type, const QString& text,
                                               const std::vector<DialogButton>& buttons) {
  requests_.push_back({Request::Kind::Message, type, MessageBoxIcon::None, {}, text, buttons, {}});
  if (messageAnswers_.empty()) {
    unanswered_.push_back("message: " + text);
    return EscapeButtonOf(buttons);
  }
  const DialogButton answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

void ScriptedPromptService::ShowMessageBox(QWidget*, const QString& title, const QString& text,
                                           MessageBoxIcon icon) {
  // A message box only informs: it needs no queued answer.
  requests_.push_back({Request::Kind::MessageBox, DialogType::Custom, icon, title, text, {}, {}});
}

std::optional<QString> ScriptedPromptService::ChooseSaveFile(QWidget*, const FileChoice& choice) {
  requests_.push_back(
      {Request::Kind::SaveFile, DialogType::Custom, MessageBoxIcon::None, choice.Title, {}, {}, choice});
  return NextFile("save file: " + choice.Title);
}

std::optional<QString> ScriptedPromptService::ChooseOpenFile(QWidget*, const FileChoice& choice) {
  requests_.push_back(
      {Request::Kind::OpenFile, DialogType::Custom, MessageBoxIcon::None, choice.Title, {}, {}, choice});
  return NextFile("open file: " + choice.Title);
}

std::optional<QString> ScriptedPromptService::NextFile(const QString& what) {
  if (fileAnswers_.empty()) {
    unanswered_.push_back(what);
    return std::nullopt;
  }
  std::optional<QString> answer = fileAnswers_.front();
  fileAnswers_.pop_front();
  return answer;
}

}  // namespace drivecopy::test_support
