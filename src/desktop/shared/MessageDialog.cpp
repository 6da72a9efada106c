#include "desktop/shared/MessageDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace drivecopy {

namespace {

// The application title, the title of a custom dialog.
const char* const kApplicationTitle = "TALVO Drive Copy";

struct ButtonFacts {
  DialogButton Which;
  const char* ObjectName;
  std::string MessageTexts::*Caption;
  const char* FallbackCaption;  // shown while the texts are not loaded yet
};

// The buttons in the order they stand in the dialog.
constexpr ButtonFacts kButtons[] = {
    {DialogButton::Yes, "Yes", &MessageTexts::strStrMsgDlgYes, "&Yes"},
    {DialogButton::No, "No", &MessageTexts::strStrMsgDlgNo, "&No"},
    {DialogButton::OK, "OK", &MessageTexts::strStrMsgDlgOK, "OK"},
    {DialogButton::Cancel, "Cancel", &MessageTexts::strStrMsgDlgCancel, "Cancel"},
    {DialogButton::Abort, "Abort", &MessageTexts::strStrMsgDlgAbort, "&Abort"},
    {DialogButton::Retry, "Retry", &MessageTexts::strStrMsgDlgRetry, "&Retry"},
    {DialogButton::Ignore, "Ignore", &MessageTexts::strStrMsgDlgIgnore, "&Ignore"},
    {DialogButton::All, "All", &MessageTexts::strStrMsgDlgAll, "&All"},
    {DialogButton::NoToAll, "NoToAll", &MessageTexts::strStrMsgDlgNoToAll, "&No to all"},
    {DialogButton::YesToAll, "YesToAll", &MessageTexts::strStrMsgDlgYesToAll, "A&ll Yes"},
    {DialogButton::Help, "Help", &MessageTexts::strStrMsgDlgHelp, "&Help"},
};

const ButtonFacts& FactsOf(DialogButton button) {
  return *std::find_if(std::begin(kButtons), std::end(kButtons),
                       [button](const ButtonFacts& facts) { return facts.Which == button; });
}

// A loaded text, or `fallback` while it is empty, so that a dialog shown
// before the texts are loaded still has a title and readable buttons.
QString TextOr(const std::string& text, const char* fallback) {
  return text.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(text);
}

QIcon IconOf(DialogType type, const QStyle& style) {
  switch (type) {
    case DialogType::Warning:
      return style.standardIcon(QStyle::SP_MessageBoxWarning);
    case DialogType::Error:
      return style.standardIcon(QStyle::SP_MessageBoxCritical);
    case DialogType::Information:
      return style.standardIcon(QStyle::SP_MessageBoxInformation);
    case DialogType::Confirmation:
      return style.standardIcon(QStyle::SP_MessageBoxQuestion);
    case DialogType::Custom:
      break;
  }
  return QIcon();
}

}  // namespace

QString MessageDialog::TitleFor(const MessageTexts& texts, DialogType type) {
  switch (type) {
    case DialogType::Warning:
      return TextOr(texts.strStrMsgDlgWarning, "WARNING");
    case DialogType::Error:
      return TextOr(texts.strStrMsgDlgError, "Error");
    case DialogType::Information:
      return TextOr(texts.strStrMsgDlgInformation, "Information");
    case DialogType::Confirmation:
      return TextOr(texts.strStrMsgDlgConfirm, "Confirm");
    case DialogType::Custom:
      break;
  }
  return QString::fromUtf8(kApplicationTitle);
}

QString MessageDialog::CaptionFor(const MessageTexts& texts, DialogButton button) {
  const ButtonFacts& facts = FactsOf(button);
  return TextOr(texts.*facts.Caption, facts.FallbackCaption);
}

MessageDialog::MessageDialog(QWidget* parent, const MessageTexts& texts, DialogType type, const QString& text,
                             const std::vector<DialogButton>& buttons)
    : QDialog(parent),
      defaultButton_(DefaultButtonOf(buttons)),
      escapeButton_(EscapeButtonOf(buttons)),
      answer_(escapeButton_) {
  setObjectName(QStringLiteral("MessageDialog"));
  setWindowTitle(TitleFor(texts, type));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setModal(true);

  auto* messageRow = new QHBoxLayout;
  messageRow->setSpacing(14);
  const QIcon icon = IconOf(type, *style());
  if (!icon.isNull()) {
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("Image"));
    iconLabel->setPixmap(icon.pixmap(iconSize, iconSize));
    iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    messageRow->addWidget(iconLabel, 0, Qt::AlignTop);
  }
  auto* message = new QLabel(text, this);
  message->setObjectName(QStringLiteral("Message"));
  message->setTextFormat(Qt::PlainText);
  message->setWordWrap(true);
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message->setMinimumWidth(220);
  message->setMaximumWidth(440);
  message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  messageRow->addWidget(message, 1);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->setSpacing(8);
  buttonRow->addStretch(1);
  for (const ButtonFacts& facts : kButtons) {
    const bool asked = std::find(buttons.begin(), buttons.end(), facts.Which) != buttons.end();
    if (!asked && !(buttons.empty() && facts.Which == DialogButton::OK)) continue;
    auto* push = new QPushButton(CaptionFor(texts, facts.Which), this);
    push->setObjectName(QString::fromLatin1(facts.ObjectName));
    push->setMinimumWidth(75);
    push->setAutoDefault(false);
    const DialogButton which = facts.Which;
    connect(push, &QPushButton::clicked, this, [this, which] { Answer(which); });
    buttonRow->addWidget(push);
    buttons_.push_back({facts.Which, push});
  }
  buttonRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 12);
  layout->setSpacing(16);
  layout->addLayout(messageRow);
  layout->addLayout(buttonRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  if (QPushButton* push = Button(defaultButton_)) {
    push->setDefault(true);
    push->setFocus(Qt::OtherFocusReason);
  }
}

QPushButton* MessageDialog::Button(DialogButton button) const {
  for (const OfferedButton& offered : buttons_)
    if (offered.Which == button) return offered.Widget;
  return nullptr;
}

DialogButton MessageDialog::Exec() {
  answer_ = escapeButton_;
  exec();
  return answer_;
}

void MessageDialog::reject() {
  // Escape and the title-bar close button answer with the Escape button.
  answer_ = escapeButton_;
  QDialog::reject();
}

void MessageDialog::Answer(DialogButton button) {
  answer_ = button;
  done(button == escapeButton_ ? QDialog::Rejected : QDialog::Accepted);
}

}  // namespace drivecopy
