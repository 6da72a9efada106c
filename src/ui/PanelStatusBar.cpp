#include "ui/PanelStatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace drivecopy {

namespace {
constexpr int kBarHeight = 19;
}

PanelStatusBar::PanelStatusBar(const std::vector<int>& panelWidths, QWidget* parent)
    : QWidget(parent) {
  setFixedHeight(kBarHeight);
  setAutoFillBackground(true);
  QPalette cream = palette();
  cream.setColor(QPalette::Window, QColor(255, 251, 240));
  cream.setColor(QPalette::WindowText, QColor(64, 64, 64));
  setPalette(cream);
  setStyleSheet(QStringLiteral(
      "QLabel { border-right: 1px solid rgb(214, 206, 186); padding-left: 4px; }"
      "QLabel#LastPanel { border-right: none; }"));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 1, 0, 0);
  layout->setSpacing(0);
  for (std::size_t i = 0; i < panelWidths.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const bool last = i + 1 == panelWidths.size();
    if (last) {
      panel->setObjectName(QStringLiteral("LastPanel"));
      panel->setMinimumWidth(panelWidths[i]);
      layout->addWidget(panel, 1);
    } else {
      panel->setFixedWidth(panelWidths[i]);
      layout->addWidget(panel);
    }
    panels_.push_back(panel);
  }
  if (panels_.empty()) layout->addStretch(1);
}

void PanelStatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || static_cast<std::size_t>(index) >= panels_.size()) return;
  panels_[static_cast<std::size_t>(index)]->setText(text);
}

QString PanelStatusBar::PanelText(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= panels_.size()) return {};
  return panels_[static_cast<std::size_t>(index)]->text();
}

void PanelStatusBar::setCollectionText(const QString& collection, int index,
                                       const QString& property, const QString& text) {
  if (collection == QLatin1String("Panels") && property == QLatin1String("Text"))
    SetPanelText(index, text);
}

}  // namespace drivecopy
