#include "shell/qt/TVRZMainForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "restore_clone/qt/TCloneDriveFrm.h"
#include "shell/MessageCatalogue.h"
#include "shell/StoredLanguage.h"
#include "shell/qt/FileDialogSettings.h"
#include "shell/qt/OverrideCursor.h"
#include "shell/qt/TInfoFrm.h"
#include "shell/qt/WindowTranslator.h"
#include "ui/Artwork.h"
#include "ui/CheckListView.h"
#include "ui/GradientToolBar.h"
#include "ui/LabelButton.h"
#include "ui/PanelStatusBar.h"
#include "ui/ShadowFrame.h"
#include "ui/SkinnedImageButton.h"
#include "ui/TiledImageContainer.h"

namespace drivecopy {
namespace {

const QColor MainWindowColour(127, 179, 211);
const QColor RestorePageColour(255, 255, 255);
const QColor LabelColour(64, 64, 64);        // the 3-D dark shadow grey of the Next and Cancel labels
const QColor SplitterColour(118, 198, 247);  // the splitter between the drive and partition lists

// Start-screen buttons: design position of the first, and the distance between them.
constexpr int StartButtonLeft = 90;
constexpr int StartButtonTop = 58;
constexpr int StartButtonStep = 59;

QFont TahomaFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies(FontFamiliesFor("Tahoma", "DEFAULT_CHARSET"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A list or memo on a white panel framed by the drop-shadow border.
QWidget* Framed(QWidget* inner, QWidget* parent) {
  auto* frame = new ShadowFrame(parent);
  auto* layout = new QVBoxLayout(frame->ContentArea());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(inner);
  return frame;
}

CheckListView* MakeList(const char* name, QWidget* parent) {
  auto* list = new CheckListView(parent);
  list->setObjectName(name);
  list->setFrameShape(QFrame::NoFrame);
  return list;
}

QPlainTextEdit* MakeMemo(const char* name, QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setFrameShape(QFrame::NoFrame);
  return memo;
}

QTabWidget* MakePageControl(const char* name, QWidget* parent) {
  auto* pages = new QTabWidget(parent);
  pages->setObjectName(name);
  pages->setDocumentMode(true);  // no pane frame: the pages sit on the window colour
  pages->tabBar()->hide();
  return pages;
}

QWidget* MakePage(const char* name) {
  auto* page = new QWidget;
  page->setObjectName(name);
  return page;
}

}  // namespace

TVRZMainForm::TVRZMainForm(DesktopSession& session) : QWidget(nullptr), session_(session) {
  setObjectName("VRZMainForm");
  setWindowTitle("TALVO Drive Copy");  // replaced before the window is first shown
  setWindowIcon(QIcon(artwork::ProgramIcon(QSize(64, 64))));
  setFont(TahomaFont(11, false));
  setMinimumSize(SmallestWidth, SmallestHeight);
  resize(DesignClientWidth, DesignClientHeight);
  setAutoFillBackground(true);
  BuildControls();

  // The translator starts in the design language (English); the dispatcher
  // holds language 2 until FormCreate sets the stored one.
  siLang1_ = new WindowTranslator(*this, BuiltinWindowTable("TVRZMainForm"), LanguageEnglish, "siLang1");
  siLang1_->SetChangeHandler([this] { UpdateStrings(); });
  session_.dispatcher.Link(*siLang1_);
  FormCreate();
}

TVRZMainForm::~TVRZMainForm() {
  SetOverrideCursor(std::nullopt);
  session_.dispatcher.Unlink(*siLang1_);
}

void TVRZMainForm::AttachWindows(TRestoreImgForm* restoreWindow, TCreateImgForm* createWindow,
                                 TCloneDriveFrm* cloneWindow, TInfoFrm* infoWindow) {
  restoreWindow_ = restoreWindow;
  createWindow_ = createWindow;
  cloneWindow_ = cloneWindow;
  infoWindow_ = infoWindow;
}

// --- construction ---

void TVRZMainForm::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  pageControl_ = MakePageControl("VRZPageControl", this);
  pageControl_->addTab(BuildStartScreen(), "StartScreen");
  pageControl_->addTab(BuildCreateImagePage(), "Create Image");
  pageControl_->addTab(BuildRestoreImagePage(), "Restore Image");
  layout->addWidget(pageControl_, 1);

  statusBar_ = new PanelStatusBar({150, 50}, this);
  statusBar_->setObjectName("TntStatusBar1");
  statusBar_->setFixedHeight(19);
  layout->addWidget(statusBar_);

  openImageDialog_ = new FileDialogSettings("OpenImageDialog", QString(),
                                            "Image files (*.img)|*.img| All Files (*.*)|*.*", "img", this);
}

QWidget* TVRZMainForm::BuildStartScreen() {
  auto* screen = new TiledImageContainer(artwork::StartScreenTile());
  screen->setObjectName("StartScreen");
  struct ButtonDesign {
    const char* name;
    artwork::StartButton art;
    SkinnedImageButton** member;
    std::optional<Qt::CursorShape> cursorAfterLeave;
    void (TVRZMainForm::*click)();
  };
  // Leaving Create Image restores the cursor saved on entry; leaving the
  // other two sets an explicit arrow override.
  const ButtonDesign designs[] = {
      {"CreateImageButtom", artwork::StartButton::CreateImage, &createImageButtom_, std::nullopt,
       &TVRZMainForm::CreateImageButtomClick},
      {"RestoreImageButtom", artwork::StartButton::RestoreImage, &restoreImageButtom_, Qt::ArrowCursor,
       &TVRZMainForm::RestoreImageButtomClick},
      {"CloneImageButtom", artwork::StartButton::CloneDrives, &cloneImageButtom_, Qt::ArrowCursor,
       &TVRZMainForm::CloneImageButtomClick},
  };
  int top = StartButtonTop;
  for (const ButtonDesign& design : designs) {
    auto* button = new SkinnedImageButton(artwork::StartButtonImage(design.art, false),
                                          artwork::StartButtonImage(design.art, true), screen);
    button->setObjectName(design.name);
    button->setGeometry(StartButtonLeft, top, 209, 59);
    top += StartButtonStep;
    *design.member = button;
    const bool restoresSaved = design.art == artwork::StartButton::CreateImage;
    const std::optional<Qt::CursorShape> after = design.cursorAfterLeave;
    connect(button, &SkinnedImageButton::mouseEntered, this, [this, button] { StartButtonMouseEnter(button); });
    connect(button, &SkinnedImageButton::mouseLeft, this, [this, button, restoresSaved, after] {
      StartButtonMouseLeave(button, restoresSaved ? cursorBeforeHover_ : after);
    });
    connect(button, &SkinnedImageButton::clicked, this, design.click);
  }
  return screen;
}

namespace {

// The Next and Cancel labels: bold, dark grey, right-aligned, 90 x 16.
LabelButton* MakeNavigationLabel(const char* name, const QString& caption, QWidget* parent) {
  auto* label = new LabelButton(caption, parent);
  label->setObjectName(name);
  label->setFixedSize(90, 16);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setFont(TahomaFont(13, true));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, LabelColour);
  label->setPalette(palette);
  return label;
}

// The row of Next and Cancel at the bottom right of a page.
QHBoxLayout* NavigationRow(LabelButton* next, LabelButton* cancel) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 20, 0);
  row->setSpacing(6);
  row->addStretch(1);
  row->addWidget(next);
  row->addWidget(cancel);
  return row;
}

QSplitter* DriveSplitter(QWidget* drives, QWidget* partitions) {
  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->setHandleWidth(4);
  splitter->setChildrenCollapsible(false);
  splitter->setStyleSheet(QString("QSplitter::handle { background: %1; }").arg(SplitterColour.name()));
  splitter->addWidget(drives);
  splitter->addWidget(partitions);
  return splitter;
}

}  // namespace

QWidget* TVRZMainForm::BuildCreateImagePage() {
  QWidget* page = MakePage("CreateImageTabSheet");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolBar = new GradientToolBar(page);
  toolBar->setObjectName("DiskToolBar");
  connect(toolBar->AddButton("CI_PhysicalDrivesToolButton", "Physical Drives"), &QToolButton::clicked, this,
          [this] { ShowCreateImagePage(0); });
  connect(toolBar->AddButton("CI_LogicalDrivesToolButton", "Logical Drives"), &QToolButton::clicked, this,
          [this] { ShowCreateImagePage(1); });
  connect(toolBar->AddButton("TntToolButton1", "Info"), &QToolButton::clicked, this,
          &TVRZMainForm::InfoToolButtonClick);
  layout->addWidget(toolBar);

  createImagePageControl_ = MakePageControl("CreateImagePageControl", page);
  layout->addWidget(createImagePageControl_, 1);

  // Inner page 0: physical drives and their partitions.
  QWidget* physical = MakePage("CI_PhysDrivesTntTabSheet");
  {
    auto* inner = new QVBoxLayout(physical);
    inner->setContentsMargins(8, 6, 8, 8);
    inner->setSpacing(2);
    inner->addWidget(DriveSplitter(Framed(MakeList("CI_HDDListView", physical), physical),
                                   Framed(MakeList("CI_PartitionListView", physical), physical)),
                     3);
    inner->addWidget(Framed(MakeMemo("CI_HDDMemo", physical), physical), 1);
    auto* next = MakeNavigationLabel("HDDNextLabel", "Next", physical);
    auto* cancel = MakeNavigationLabel("CancelLabel", "Cancel", physical);
    inner->addLayout(NavigationRow(next, cancel));
    connect(next, &LabelButton::clicked, this, &TVRZMainForm::HDDNextLabelClick);
    connect(cancel, &LabelButton::clicked, this, &TVRZMainForm::CancelLabelClick);
    for (LabelButton* label : {next, cancel}) {
      connect(label, &LabelButton::mouseEntered, this, &TVRZMainForm::HDDNextLabelMouseEnter);
      connect(label, &LabelButton::mouseLeft, this, &TVRZMainForm::HDDNextLabelMouseLeave);
    }
  }
  createImagePageControl_->addTab(physical, "Physical Drives");

  // Inner page 1: logical drives.
  QWidget* logical = MakePage("CI_LogicalDrivesTabSheet");
  {
    auto* inner = new QVBoxLayout(logical);
    inner->setContentsMargins(8, 6, 8, 8);
    inner->setSpacing(2);
    inner->addWidget(Framed(MakeList("CI_LogicalDrivesListView", logical), logical), 3);
    inner->addWidget(Framed(MakeMemo("CI_LogicalMemo", logical), logical), 1);
    auto* next = MakeNavigationLabel("TntLabel1", "Next", logical);
    auto* cancel = MakeNavigationLabel("TntLabel2", "Cancel", logical);
    next->setCursor(Qt::PointingHandCursor);
    cancel->setCursor(Qt::PointingHandCursor);
    inner->addLayout(NavigationRow(next, cancel));
    connect(next, &LabelButton::clicked, this, &TVRZMainForm::HDDNextLabelClick);
    connect(next, &LabelButton::mouseEntered, this, &TVRZMainForm::HDDNextLabelMouseEnter);
    connect(next, &LabelButton::mouseLeft, this, &TVRZMainForm::HDDNextLabelMouseLeave);
    connect(cancel, &LabelButton::clicked, this, &TVRZMainForm::TntLabel2Click);
  }
  createImagePageControl_->addTab(logical, "Logical Drives");
  return page;
}

QWidget* TVRZMainForm::BuildRestoreImagePage() {
  QWidget* page = MakePage("RestoreImageTabSheet");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolBar = new GradientToolBar(page);
  toolBar->setObjectName("TntToolBar1");
  connect(toolBar->AddButton("RI_PhysicalDrivesToolButton", "Physical Drives"), &QToolButton::clicked, this,
          [this] { ShowRestoreImagePage(0); });
  // The restore page lists physical destinations only; its Logical Drives
  // button switches the create page, which is not shown here.
  connect(toolBar->AddButton("RI_LogicalDrivesToolButton", "Logical Drives"), &QToolButton::clicked, this,
          [this] { ShowCreateImagePage(1); });
  connect(toolBar->AddButton("InfoToolButton", "Info"), &QToolButton::clicked, this,
          &TVRZMainForm::InfoToolButtonClick);
  layout->addWidget(toolBar);

  restoreImagePageControl_ = MakePageControl("RestoreImagePageControl", page);
  layout->addWidget(restoreImagePageControl_, 1);

  QWidget* physical = MakePage("TntTabSheet2");
  auto* inner = new QVBoxLayout(physical);
  inner->setContentsMargins(8, 6, 8, 8);
  inner->setSpacing(2);
  inner->addWidget(DriveSplitter(Framed(MakeList("RI_HDDListView", physical), physical),
                                 Framed(MakeList("RI_PartitionListView", physical), physical)),
                   3);
  inner->addWidget(Framed(MakeMemo("RI_Memo", physical), physical), 1);
  auto* next = MakeNavigationLabel("RestoreNextLabel", "Next", physical);
  auto* cancel = MakeNavigationLabel("TntLabel4", "Cancel", physical);
  next->setCursor(Qt::PointingHandCursor);
  cancel->setCursor(Qt::PointingHandCursor);
  inner->addLayout(NavigationRow(next, cancel));
  connect(next, &LabelButton::clicked, this, &TVRZMainForm::RestoreNextLabelClick);
  connect(next, &LabelButton::mouseEntered, this, &TVRZMainForm::HDDNextLabelMouseEnter);
  connect(next, &LabelButton::mouseLeft, this, &TVRZMainForm::HDDNextLabelMouseLeave);
  connect(cancel, &LabelButton::clicked, this, &TVRZMainForm::CancelLabelClick);
  restoreImagePageControl_->addTab(physical, "Physical Drives");
  return page;
}

// --- creation and showing ---

void TVRZMainForm::FormCreate() {
  // The stored language, repaired to 2 when missing or invalid (English when
  // the store cannot be written); a change from 2 loads the texts through the
  // change event, and they are loaded once more here in any case.
  const int language = ReadStoredLanguage(session_.platform);
  if (session_.dispatcher.SetActiveLanguage(language)) {
    session_.dispatcher.SetActiveLanguage(LanguageEnglish);  // cannot happen: the number was checked
  }
  UpdateStrings();
  SetWindowColour(MainWindowColour);
  userSystem_ = std::make_unique<TUserSystem>(session_.platform);
}

void TVRZMainForm::UpdateStrings() {
  session_.texts = drivecopy::UpdateStrings(MessageCatalogue::Builtin(), session_.dispatcher.ActiveLanguage());
  ++updateStringsRuns_;
  statusBar_->SetPanelText(0, Q(session_.texts.strScopyright));
}

void TVRZMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!firstShowDone_) {
    firstShowDone_ = true;
    FormShow();
  }
}

void TVRZMainForm::FormShow() {
  // The smallest size is an outer size; the frame is known once shown.
  const QSize frame = frameGeometry().size() - size();
  setMinimumSize(QSize(SmallestWidth, SmallestHeight) - frame);
  ShowMainPage(0);
  // One pixel wider and back, so that the start-screen buttons are placed
  // before the window is first seen.
  resize(width() + 1, height());
  resize(width() - 1, height());
  FormResize();
  session_.platform.EnsureSettingsStore();
}

void TVRZMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TVRZMainForm::FormResize() {
  // Centre the button column by the outer size, frame included.
  const QSize outer = frameGeometry().size();
  const int newLeft = (outer.width() - createImageButtom_->width() - 20) / 2;
  const int newTop = (outer.height() - createImageButtom_->height() - 200) / 2;
  const int dx = newLeft - createImageButtom_->x();
  const int dy = newTop - createImageButtom_->y();
  for (SkinnedImageButton* button : {createImageButtom_, restoreImageButtom_, cloneImageButtom_}) {
    button->move(button->x() + dx, button->y() + dy);
  }
}

void TVRZMainForm::SetWindowColour(const QColor& colour) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colour);
  setPalette(palette);
}

// --- page switching ---

void TVRZMainForm::ShowMainPage(std::uint8_t index) {
  pageControl_->setCurrentIndex(index);
  pageControl_->tabBar()->hide();
  pageControl_->widget(index)->setVisible(true);
  const MessageTexts& texts = session_.texts;
  QString caption = "Free " + Q(texts.strSVRZTitle) + Q(texts.strSVRZVersion);
  switch (index) {
    case 0:
      SetWindowColour(MainWindowColour);
      break;
    case 1:
      caption += Q(session_.JobKind == 3 ? texts.strSVRZCloneImage : texts.strSVRZCreateImage);
      break;
    default:
      SetWindowColour(RestorePageColour);
      caption += Q(texts.strSVRZRestoreImage);
      break;
  }
  setWindowTitle(caption);
}

void TVRZMainForm::ShowCreateImagePage(std::uint8_t index) {
  createImagePageControl_->setCurrentIndex(index);
  createImagePageControl_->tabBar()->hide();
  for (int page = 0; page < createImagePageControl_->count(); ++page) {
    createImagePageControl_->widget(page)->setVisible(false);
  }
  createImagePageControl_->widget(index)->setVisible(true);
}

void TVRZMainForm::ShowRestoreImagePage(std::uint8_t index) {
  restoreImagePageControl_->setCurrentIndex(index);
  restoreImagePageControl_->tabBar()->hide();
  restoreImagePageControl_->widget(0)->setVisible(false);
  restoreImagePageControl_->widget(index)->setVisible(true);
}

// --- start screen ---

void TVRZMainForm::CreateImageButtomClick() {
  session_.JobKind = 1;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  ShowMainPage(1);
  ShowCreateImagePage(0);
}

void TVRZMainForm::CloneImageButtomClick() {
  session_.JobKind = 3;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  ShowMainPage(1);
  ShowCreateImagePage(0);
}

void TVRZMainForm::RestoreImageButtomClick() {
  session_.JobKind = 2;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  const std::optional<QString> path = session_.prompts.ChooseOpenFile(this, openImageDialog_->Choice());
  if (!path) return;  // the window stays on the start screen
  openImageDialog_->RememberPath(*path);
  chosenImagePath_ = *path;
  ShowMainPage(2);
  ShowRestoreImagePage(0);
}

void TVRZMainForm::StartButtonMouseEnter(SkinnedImageButton* button) {
  cursorBeforeHover_ = CurrentOverrideCursor();
  SetOverrideCursor(Qt::PointingHandCursor);
  button->ShowHoverImage(true);
}

void TVRZMainForm::StartButtonMouseLeave(SkinnedImageButton* button, std::optional<Qt::CursorShape> cursor) {
  SetOverrideCursor(cursor);
  button->ShowHoverImage(false);
}

// --- labels and tool buttons ---

void TVRZMainForm::HDDNextLabelMouseEnter() { SetOverrideCursor(Qt::PointingHandCursor); }

void TVRZMainForm::HDDNextLabelMouseLeave() { SetOverrideCursor(std::nullopt); }

void TVRZMainForm::CancelLabelClick() {
  ShowMainPage(0);
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
}

void TVRZMainForm::TntLabel2Click() { ShowMainPage(0); }

void TVRZMainForm::InfoToolButtonClick() {
  if (infoWindow_ != nullptr) infoWindow_->ShowInFront();
}

void TVRZMainForm::HDDNextLabelClick() {
  // Next of the create-image page: the create-image and clone set-ups.
}

void TVRZMainForm::RestoreNextLabelClick() {
  // Next of the restore page: the restore set-up.
}

}  // namespace drivecopy
