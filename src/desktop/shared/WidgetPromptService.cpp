#include "desktop/shared/WidgetPromptService.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "desktop/shared/MessageDialog.h"

namespace drivecopy {

namespace {

QMessageBox::Icon QtIconOf(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::Error:
      return QMessageBox::Critical;
    case MessageBoxIcon::Warning:
      return QMessageBox::Warning;
    case MessageBoxIcon::Information:
      return QMessageBox::Information;
    case MessageBoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

enum class ChooserKind { Save, Open };

// A dialog is placed over its parent; a window that is not shown yet (the
// create window asks for the file name before it opens) gives way to the
// window the user is looking at.
QWidget* ShownParent(QWidget* parent) {
  if (parent != nullptr && parent->isVisible()) return parent;
  return QApplication::activeWindow();
}

std::optional<QString> RunFileChooser(QWidget* parent, const FileChoice& choice, ChooserKind kind) {
  QFileDialog dialog(ShownParent(parent), choice.Title);
  dialog.setObjectName(kind == ChooserKind::Save ? QStringLiteral("SaveFileDialog")
                                                 : QStringLiteral("OpenFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (kind == ChooserKind::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  const QStringList filters = QtFileFilters(choice.Filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!choice.DefaultExtension.isEmpty()) dialog.setDefaultSuffix(choice.DefaultExtension);
  if (!choice.InitialPath.isEmpty()) {
    const QFileInfo initial(choice.InitialPath);
    if (initial.isDir()) {
      dialog.setDirectory(initial.absoluteFilePath());
    } else {
      dialog.setDirectory(initial.absolutePath());
      dialog.selectFile(initial.fileName());
    }
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return chosen.front();
}

}  // namespace

DialogButton WidgetPromptService::AskMessage(QWidget* parent, DialogType type, const QString& text,
                                             const std::vector<DialogButton>& buttons) {
  MessageDialog dialog(ShownParent(parent), texts_, type, text, buttons);
  return dialog.Exec();
}

void WidgetPromptService::ShowMessageBox(QWidget* parent, const QString& title, const QString& text,
                                         MessageBoxIcon icon) {
  QMessageBox box(QtIconOf(icon), title, text, QMessageBox::NoButton, ShownParent(parent));
  box.setObjectName(QStringLiteral("MessageBox"));
  box.setTextFormat(Qt::PlainText);
  QPushButton* ok =
      box.addButton(MessageDialog::CaptionFor(texts_, DialogButton::OK), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

std::optional<QString> WidgetPromptService::ChooseSaveFile(QWidget* parent, const FileChoice& choice) {
  return RunFileChooser(parent, choice, ChooserKind::Save);
}

std::optional<QString> WidgetPromptService::ChooseOpenFile(QWidget* parent, const FileChoice& choice) {
  return RunFileChooser(parent, choice, ChooserKind::Open);
}

}  // namespace drivecopy
