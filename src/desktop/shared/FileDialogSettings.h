#pragma once
#include <QObject>
#include <QString>

#include "desktop/shared/PromptService.h"

namespace drivecopy {

// The settings of one file chooser, kept as a named object of its window
// (such as "OpenImageDialog") so that the translation tables can set its
// filter and title like any other property. The chooser itself is shown by
// the prompt service.
class FileDialogSettings : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Filter MEMBER filter_)
  Q_PROPERTY(QString Title MEMBER title_)
  Q_PROPERTY(QString DefaultExt MEMBER defaultExtension_)

 public:
  FileDialogSettings(const QString& objectName, const QString& title, const QString& filter,
                     const QString& defaultExtension, QObject* parent)
      : QObject(parent), filter_(filter), title_(title), defaultExtension_(defaultExtension) {
    setObjectName(objectName);
  }

  // The request for the prompt service; it opens with the name chosen last.
  FileChoice Choice() const { return FileChoice{title_, filter_, defaultExtension_, lastPath_}; }
  void RememberPath(const QString& path) { lastPath_ = path; }

 private:
  QString filter_;
  QString title_;
  QString defaultExtension_;
  QString lastPath_;
};

}  // namespace drivecopy
