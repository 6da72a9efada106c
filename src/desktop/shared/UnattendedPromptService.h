#pragma once
#include <QString>
#include <QStringList>

#include "desktop/shared/PromptService.h"

namespace drivecopy {

// The prompt service of the picture run (--screenshots), where no person
// answers: questions take their default button, file choosers return the
// path set beforehand, and message boxes are collected so the run can report
// them.
class UnattendedPromptService : public PromptService {
 public:
  void SetChosenFile(const QString& path) { chosenFile_ = path; }
  const QStringList& Messages() const { return messages_; }

  DialogButton AskMessage(QWidget*, DialogType, const QString&,
                          const std::vector<DialogButton>& buttons) override {
    return DefaultButtonOf(buttons);
  }
  void ShowMessageBox(QWidget*, const QString& title, const QString& text, MessageBoxIcon) override {
    messages_ << (title.isEmpty() ? text : title + ": " + text);
  }
  std::optional<QString> ChooseSaveFile(QWidget*, const FileChoice&) override { return Chosen(); }
  std::optional<QString> ChooseOpenFile(QWidget*, const FileChoice&) override { return Chosen(); }

 private:
  std::optional<QString> Chosen() const {
    if (chosenFile_.isEmpty()) return std::nullopt;
    return chosenFile_;
  }

  QString chosenFile_;
  QStringList messages_;
};

}  // namespace drivecopy
