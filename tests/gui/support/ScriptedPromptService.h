#pragma once
#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "desktop/shared/PromptService.h"

namespace drivecopy::test_support {

// A prompt service for tests: answers come from queues filled by the test,
// and every request is recorded. A request with no queued answer fails the
// running test (QFAIL-like: it records the problem and answers the Escape
// button or "cancelled"), so an unexpected dialog never blocks a test.
class ScriptedPromptService : public PromptService {
 public:
  struct Request {
    enum class Kind { Message, MessageBox, SaveFile, OpenFile } What;
    DialogType Type = DialogType::Custom;
    MessageBoxIcon Icon = MessageBoxIcon::None;
    QString Title;
    QString Text;
    std::vector<DialogButton> Buttons;
    FileChoice Choice;
  };

  void QueueAnswer(DialogButton answer) { messageAnswers_.push_back(answer); }
  void QueueFile(std::optional<QString> path) { fileAnswers_.push_back(std::move(path)); }

  const std::vector<Request>& Requests() const { return requests_; }
  // Requests that found no queued answer (a test should expect none).
  const std::vector<QString>& Unanswered() const { return unanswered_; }

  DialogButton AskMessage(QWidget* parent, DialogType type, const QString& text,
                          const std::vector<DialogButton>& buttons) override;
  void ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                      MessageBoxIcon icon) override;
  std::optional<QString> ChooseSaveFile(QWidget* parent, const FileChoice& choice) override;
  std::optional<QString> ChooseOpenFile(QWidget* parent, const FileChoice& choice) override;

 private:
  std::optional<QString> NextFile(const QString& what);

  std::deque<DialogButton> messageAnswers_;
  std::deque<std::optional<QString>> fileAnswers_;
  std::vector<Request> requests_;
  std::vector<QString> unanswered_;
};

}  // namespace drivecopy::test_support
