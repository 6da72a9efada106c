#include "desktop/widgets/PanelStatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

namespace drivecopy {

namespace {
constexpr int kBarHeight = 19;
}

PanelStatusBar::PanelStatusBar(const std::vector<int>& panelWidths, QWidget* parent) : QWidget(parent) {
  setFixedHeight(kBarHeight);
  setAutoFillBackground(true);
  QPalette cream = palette();
  cream.setColor(QPalette::Window, QColor(255, 251, 240));
  cream.setColor(QPalette::WindowText, QColor(64, 64, 64));
  setPalette(cream);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 2, 0, 1);
  layout->setSpacing(0);
  for (std::size_t i = 0; i < panelWidths.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setIndent(4);
    const bool last = i + 1 == panelWidths.size();
    if (last) {
      panel->setMinimumWidth(panelWidths[i]);
      layout->addWidget(panel, 1);
    } else {
      // The separator is part of the panel's width, so panels start where
      // their widths add up to.
      designWidths_.push_back(std::max(0, panelWidths[i] - 1));
      panel->setFixedWidth(designWidths_.back());
      layout->addWidget(panel);
      auto* separator = new QWidget(this);
      separator->setFixedWidth(1);
      separator->setAutoFillBackground(true);
      QPalette line = separator->palette();
      line.setColor(QPalette::Window, QColor(216, 206, 180));
      separator->setPalette(line);
      layout->addWidget(separator);
    }
    panels_.push_back(panel);
  }
  if (panels_.empty()) layout->addStretch(1);
}

void PanelStatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || static_cast<std::size_t>(index) >= panels_.size()) return;
  const std::size_t i = static_cast<std::size_t>(index);
  QLabel* panel = panels_[i];
  panel->setText(text);
  // A fixed panel grows to show its whole text (a copyright line is longer
  // in some languages than the designed width) and never shrinks below it.
  if (i + 1 < panels_.size()) {
    const int needed = panel->fontMetrics().horizontalAdvance(text) + 2 * panel->indent() + 4;
    panel->setFixedWidth(std::max(designWidths_[i], needed));
  }
}

QString PanelStatusBar::PanelText(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= panels_.size()) return {};
  return panels_[static_cast<std::size_t>(index)]->text();
}

void PanelStatusBar::setCollectionText(const QString& collection, int index, const QString& property,
                                       const QString& text) {
  if (collection == QLatin1String("Panels") && property == QLatin1String("Text")) SetPanelText(index, text);
}

}  // namespace drivecopy
