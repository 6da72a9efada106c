#pragma once
#include <QWidget>
#include <vector>

class QLabel;

namespace drivecopy {

// A status bar of fixed-width text panels on a cream background (19 pixels
// high). Panels are set by index; the translation tables reach them as
// "Panels[N].Text".
class PanelStatusBar : public QWidget {
  Q_OBJECT
 public:
  // One panel per width, left to right; the last panel also takes what is left.
  PanelStatusBar(const std::vector<int>& panelWidths, QWidget* parent = nullptr);

  void SetPanelText(int index, const QString& text);
  QString PanelText(int index) const;

  Q_INVOKABLE void setCollectionText(const QString& collection, int index, const QString& property,
                                     const QString& text);

 private:
  std::vector<QLabel*> panels_;
  std::vector<int> designWidths_;  // of the fixed panels, the width each was made with
};

}  // namespace drivecopy
