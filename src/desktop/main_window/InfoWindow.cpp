#include "desktop/main_window/InfoWindow.h"

#include <QLabel>
#include <QScreen>
#include <QShowEvent>

#include "desktop/shared/DesktopBasics.h"
#include "desktop/shared/WindowTranslator.h"
#include "desktop/translation/TranslationTable.h"
#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/LabelButton.h"
#include "desktop/widgets/ShadowFrame.h"

namespace drivecopy {

namespace {

// The maker's web site; the pages' paths follow the language.
const char* const kSiteAddress = "https://talvo.example";

// The design texts are English; the translator puts in the German ones.
constexpr int kDesignLanguage = 2;
constexpr int kLabelLeft = 33;
constexpr int kLabelPixels = 12;
// The smallest the labels' text becomes to keep a long caption on the card.
constexpr int kSmallestLabelPixels = 9;
const QColor kLabelColour(72, 72, 72);

QFont LabelFont(bool underlined) {
  QFont font = TahomaFont(kLabelPixels, true);
  font.setUnderline(underlined);
  return font;
}

template <typename Label>
Label* PlaceLabel(Label* label, const char* objectName, int top, bool link) {
  label->setObjectName(QString::fromLatin1(objectName));
  label->setFont(LabelFont(link));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, kLabelColour);
  label->setPalette(palette);
  label->setTextFormat(Qt::PlainText);
  label->move(kLabelLeft, top);
  if (link) label->setCursor(Qt::PointingHandCursor);
  return label;
}

}  // namespace

InfoWindow::InfoWindow(DesktopSession& session, QWidget& mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint |
                           Qt::WindowStaysOnTopHint),
      session_(session),
      mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("InfoFrm"));
  setWindowTitle(QStringLiteral("Info"));
  setFont(TahomaFont(11));
  setFixedSize(ClientWidth, ClientHeight);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  // The white card with its drop shadow fills the window; the controls stand
  // on it at their places in the window.
  auto* frame = new ShadowFrame(this);
  frame->setObjectName(QStringLiteral("InfoShadowFrame"));
  frame->setGeometry(0, 0, ClientWidth, ClientHeight);

  auto* icon = new QLabel(frame);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setGeometry(120, 22, 65, 57);
  icon->setPixmap(artwork::ProgramIcon(QSize(65, 57)));
  icon->setAlignment(Qt::AlignCenter);

  auto* productName =
      PlaceLabel(new QLabel(QStringLiteral("TALVO Drive Cloning"), frame), "ProductName", 85, false);
  auto* version = PlaceLabel(new QLabel(QStringLiteral("2.0"), frame), "Version", 106, false);
  auto* internetPage = PlaceLabel(new LabelButton(QStringLiteral("Internet page, HowTo's "), frame),
                                  "InternetPageLabel", 166, true);
  auto* dataRecovery = PlaceLabel(new LabelButton(QStringLiteral("Data Recovery Software"), frame),
                                  "DataRecoveryLabel", 187, true);
  auto* copyright = PlaceLabel(new QLabel(QString::fromUtf8("Copyright \u00A9 2026 TALVO Software"), frame),
                               "Copyright", 209, false);
  labels_ = {productName, version, internetPage, dataRecovery, copyright};

  connect(internetPage, &LabelButton::clicked, this, [this] { OpenProductPage(); });
  connect(dataRecovery, &LabelButton::clicked, this, [this] { OpenMakerSite(); });
  for (LabelButton* link : {internetPage, dataRecovery}) {
    connect(link, &LabelButton::mouseEntered, this, [this] { LinkMouseEnter(); });
    connect(link, &LabelButton::mouseLeft, this, [this] { LinkMouseLeave(); });
  }

  translator_ = new WindowTranslator(*this, BuiltinWindowTable("TInfoFrm"), QStringLiteral("TInfoFrm"),
                                     kDesignLanguage, QStringLiteral("siLangLinked1"));
  translator_->setParent(this);
  translator_->SetChangeHandler([this] { FitLabels(); });
  FitLabels();
  session_.dispatcher.Link(*translator_);
}

InfoWindow::~InfoWindow() { session_.dispatcher.Unlink(*translator_); }

void InfoWindow::ShowInFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void InfoWindow::showEvent(QShowEvent* event) {
  // A show by the program (not the window system restoring it) centres it.
  if (!event->spontaneous()) CentreOverMainWindow();
  QWidget::showEvent(event);
}

void InfoWindow::CentreOverMainWindow() {
  QRect placed(QPoint(0, 0), frameGeometry().size());
  placed.moveCenter(mainWindow_.frameGeometry().center());
  // Keep the caption bar on the screen the main window is on.
  if (const QScreen* screen = mainWindow_.screen()) {
    const QRect available = screen->availableGeometry();
    if (placed.right() > available.right()) placed.moveRight(available.right());
    if (placed.bottom() > available.bottom()) placed.moveBottom(available.bottom());
    if (placed.left() < available.left()) placed.moveLeft(available.left());
    if (placed.top() < available.top()) placed.moveTop(available.top());
  }
  move(placed.topLeft());
}

std::string InfoWindow::PageAddress(int language, bool productPage) {
  const char* folder = "";
  switch (language) {
    case 1:
      folder = "/de";
      break;
    case 3:
      folder = "/jp";
      break;
    case 4:
      folder = "/fr";
      break;
    case 5:
      folder = "/it";
      break;
    case 6:
      folder = "/es";
      break;
    default:
      break;  // English and any other number
  }
  return std::string(kSiteAddress) + folder + (productPage ? "/talvo-drive-cloning.html" : "/");
}

void InfoWindow::OpenProductPage() {
  // The program shows nothing of its own when the browser cannot be started.
  (void)session_.platform.OpenWebAddress(PageAddress(translator_->Language(), true));
}

void InfoWindow::OpenMakerSite() {
  (void)session_.platform.OpenWebAddress(PageAddress(translator_->Language(), false));
}

void InfoWindow::LinkMouseEnter() { setCursor(Qt::PointingHandCursor); }

void InfoWindow::LinkMouseLeave() { unsetCursor(); }

void InfoWindow::FitLabels() {
  // The white card ends a few pixels inside its shadow; a caption that would
  // run past it in the window's language (the Spanish copyright line) is set
  // smaller until it fits, in the face the translator chose.
  const int cardRight = ClientWidth - ShadowFrame::BorderWidth - 4;
  for (QLabel* label : labels_) {
    QFont font = label->font();
    font.setPixelSize(kLabelPixels);
    label->setFont(font);
    label->adjustSize();
    while (label->geometry().right() > cardRight && font.pixelSize() > kSmallestLabelPixels) {
      font.setPixelSize(font.pixelSize() - 1);
      label->setFont(font);
      label->adjustSize();
    }
  }
}

}  // namespace drivecopy
