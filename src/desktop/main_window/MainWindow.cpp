#include "desktop/main_window/MainWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/main_window/InfoWindow.h"
#include "desktop/main_window/MainWindowLists.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/CreateImageWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/shared/FileDialogSettings.h"
#include "desktop/shared/OverrideCursor.h"
#include "desktop/shared/WindowTranslator.h"
#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/CheckListView.h"
#include "desktop/widgets/ColouredSplitter.h"
#include "desktop/widgets/GradientToolBar.h"
#include "desktop/widgets/LabelButton.h"
#include "desktop/widgets/PanelStatusBar.h"
#include "desktop/widgets/ShadowFrame.h"
#include "desktop/widgets/SkinnedImageButton.h"
#include "desktop/widgets/TiledImageContainer.h"
#include "jobs/CreateImageSetup.h"
#include "jobs/RestoreSetup.h"
#include "text/DetailTextsInForce.h"
#include "text/MessageCatalogue.h"
#include "text/StoredLanguage.h"

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

// A description for a label: its CR LF line break as Qt's.
QString LabelText(const std::string& description) {
  return Q(description).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A list or memo on a white panel framed by the drop-shadow border.
QWidget* Framed(QWidget* inner, QWidget* parent) {
  auto* frame = new ShadowFrame(parent);
  auto* layout = new QVBoxLayout(frame->ContentArea());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(inner);
  return frame;
}

// The lists' cells: wide enough for a model name and its size on a few
// lines; partition captions (model, number, type and size) need more.
const QSize DriveCell(176, 104);
const QSize PartitionCell(236, 104);
const QSize VolumeCell(128, 84);

CheckListView* MakeList(const char* name, QSize cell, bool hotTracking, QWidget* parent) {
  auto* list = new CheckListView(parent);
  list->setObjectName(name);
  list->setFrameShape(QFrame::NoFrame);
  list->setGridSize(cell);
  list->setTextElideMode(Qt::ElideRight);
  if (hotTracking) {
    // The row under the mouse is highlighted, with a hand pointer.
    list->setMouseTracking(true);
    list->viewport()->setAttribute(Qt::WA_Hover);
    list->viewport()->setCursor(Qt::PointingHandCursor);
  }
  return list;
}

// Physical Drives and Logical Drives show which of them is in force.
void MakePressable(QToolButton* button) {
  button->setCheckable(true);
  button->setStyleSheet(
      "QToolButton:checked { background: rgba(255, 255, 255, 150); border: 1px solid rgb(92, 160, 206); }");
}

QPlainTextEdit* MakeMemo(const char* name, QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setFrameShape(QFrame::NoFrame);
  return memo;
}

QTabWidget* MakePages(const char* name, QWidget* parent) {
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

MainWindow::MainWindow(DesktopSession& session) : QWidget(nullptr), session_(session) {
  setObjectName("VRZMainForm");
  setWindowTitle("TALVO Drive Copy");  // replaced before the window is first shown
  setWindowIcon(QIcon(artwork::ProgramIcon(QSize(64, 64))));
  setFont(TahomaFont(11, false));
  setMinimumSize(SmallestWidth, SmallestHeight);
  resize(DesignClientWidth, DesignClientHeight);
  setAutoFillBackground(true);
  BuildControls();

  // The translator starts in the design language (English); the dispatcher
  // holds language 2 until ApplyStoredLanguage sets the stored one.
  WireLists();

  translator_ = new WindowTranslator(*this, BuiltinWindowTable("TVRZMainForm"),
                                     QStringLiteral("TVRZMainForm"), LanguageEnglish, "siLang1");
  translator_->SetChangeHandler([this] { UpdateStrings(); });
  session_.dispatcher.Link(*translator_);
  ApplyStoredLanguage();
}

MainWindow::~MainWindow() {
  SetOverrideCursor(std::nullopt);
  session_.dispatcher.Unlink(*translator_);
}

void MainWindow::AttachWindows(RestoreImageWindow* restoreWindow, CreateImageWindow* createWindow,
                               CloneWindow* cloneWindow, InfoWindow* infoWindow) {
  restoreWindow_ = restoreWindow;
  createWindow_ = createWindow;
  cloneWindow_ = cloneWindow;
  infoWindow_ = infoWindow;
  lists_->SetCloneWindow(cloneWindow);
  if (createWindow != nullptr) {
    connect(createWindow, &CreateImageWindow::runEnded, createPageMemo_, &QPlainTextEdit::setPlainText);
  }
  if (cloneWindow != nullptr) {
    connect(cloneWindow, &CloneWindow::copyLetGo, createPageMemo_, &QPlainTextEdit::appendPlainText);
  }
}

// --- construction ---

void MainWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  pages_ = MakePages("VRZPageControl", this);
  pages_->addTab(BuildStartScreen(), "StartScreen");
  pages_->addTab(BuildCreateImagePage(), "Create Image");
  pages_->addTab(BuildRestoreImagePage(), "Restore Image");
  layout->addWidget(pages_, 1);

  statusBar_ = new PanelStatusBar({150, 50}, this);
  statusBar_->setObjectName("TntStatusBar1");
  statusBar_->setFixedHeight(19);
  layout->addWidget(statusBar_);

  openImageDialog_ = new FileDialogSettings("OpenImageDialog", QString(),
                                            "Image files (*.img)|*.img| All Files (*.*)|*.*", "img", this);
}

QWidget* MainWindow::BuildStartScreen() {
  auto* screen = new TiledImageContainer(artwork::StartScreenTile());
  screen->setObjectName("StartScreen");
  struct ButtonDesign {
    const char* name;
    artwork::StartButton art;
    const char* caption;  // English; the window's table gives the others
    SkinnedImageButton** member;
    std::optional<Qt::CursorShape> cursorAfterLeave;
    void (MainWindow::*click)();
  };
  // Leaving Create Image restores the cursor saved on entry; leaving the
  // other two sets an explicit arrow override.
  const ButtonDesign designs[] = {
      {"CreateImageButtom", artwork::StartButton::CreateImage, "Create Image", &createImageButton_, std::nullopt,
       &MainWindow::CreateImageClick},
      {"RestoreImageButtom", artwork::StartButton::RestoreImage, "Restore Image", &restoreImageButton_, Qt::ArrowCursor,
       &MainWindow::RestoreImageClick},
      {"CloneImageButtom", artwork::StartButton::CloneDrives, "Clone Drives", &cloneDrivesButton_, Qt::ArrowCursor,
       &MainWindow::CloneDrivesClick},
  };
  int top = StartButtonTop;
  for (const ButtonDesign& design : designs) {
    const artwork::StartButton art = design.art;
    auto* button = new SkinnedImageButton(
        [art](const QString& caption, bool hover) { return artwork::StartButtonImage(art, hover, caption); },
        QString::fromLatin1(design.caption), screen);
    button->setObjectName(design.name);
    button->setGeometry(StartButtonLeft, top, 209, 59);
    top += StartButtonStep;
    *design.member = button;
    const bool restoresSaved = design.art == artwork::StartButton::CreateImage;
    const std::optional<Qt::CursorShape> after = design.cursorAfterLeave;
    connect(button, &SkinnedImageButton::mouseEntered, this,
            [this, button] { StartButtonMouseEnter(button); });
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
  auto* splitter = new ColouredSplitter(Qt::Vertical, SplitterColour);
  splitter->setHandleWidth(4);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(drives);
  splitter->addWidget(partitions);
  return splitter;
}

// A page's tool bar: Physical Drives and Logical Drives (which stay pressed
// while their list shows) and Info.
struct DriveToolBar {
  GradientToolBar* Bar = nullptr;
  QToolButton* Physical = nullptr;
  QToolButton* Logical = nullptr;
  QToolButton* Info = nullptr;
};

DriveToolBar MakeDriveToolBar(const char* name, const char* physicalName, const char* logicalName,
                              const char* infoName, QWidget* page) {
  DriveToolBar toolBar;
  toolBar.Bar = new GradientToolBar(page);
  toolBar.Bar->setObjectName(name);
  toolBar.Physical = toolBar.Bar->AddButton(physicalName, "Physical Drives");
  toolBar.Logical = toolBar.Bar->AddButton(logicalName, "Logical Drives");
  MakePressable(toolBar.Physical);
  MakePressable(toolBar.Logical);
  toolBar.Info = toolBar.Bar->AddButton(infoName, "Info");
  return toolBar;
}

// A page's drive list above its partition list, each framed, in one splitter.
struct DriveAndPartitionLists {
  CheckListView* Drives = nullptr;
  CheckListView* Partitions = nullptr;
  QSplitter* Splitter = nullptr;
};

DriveAndPartitionLists MakeDriveAndPartitionLists(const char* drivesName, const char* partitionsName,
                                                  QWidget* parent) {
  DriveAndPartitionLists lists;
  lists.Drives = MakeList(drivesName, DriveCell, true, parent);
  lists.Partitions = MakeList(partitionsName, PartitionCell, false, parent);
  lists.Splitter = DriveSplitter(Framed(lists.Drives, parent), Framed(lists.Partitions, parent));
  return lists;
}

}  // namespace

QWidget* MainWindow::BuildCreateImagePage() {
  QWidget* page = MakePage("CreateImageTabSheet");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // Physical Drives and Logical Drives belong to the lists (WireLists).
  const DriveToolBar toolBar = MakeDriveToolBar("DiskToolBar", "CI_PhysicalDrivesToolButton",
                                                "CI_LogicalDrivesToolButton", "TntToolButton1", page);
  listControls_.CreatePhysicalButton = toolBar.Physical;
  listControls_.CreateLogicalButton = toolBar.Logical;
  connect(toolBar.Info, &QToolButton::clicked, this, &MainWindow::InfoClick);
  layout->addWidget(toolBar.Bar);

  createPages_ = MakePages("CreateImagePageControl", page);
  layout->addWidget(createPages_, 1);

  // Inner page 0: physical drives and their partitions.
  QWidget* physical = MakePage("CI_PhysDrivesTntTabSheet");
  {
    auto* inner = new QVBoxLayout(physical);
    inner->setContentsMargins(8, 6, 8, 8);
    inner->setSpacing(2);
    const DriveAndPartitionLists lists =
        MakeDriveAndPartitionLists("CI_HDDListView", "CI_PartitionListView", physical);
    listControls_.CreateDrives = lists.Drives;
    listControls_.CreatePartitions = lists.Partitions;
    inner->addWidget(lists.Splitter, 3);
    createPageMemo_ = MakeMemo("CI_HDDMemo", physical);
    inner->addWidget(Framed(createPageMemo_, physical), 1);
    createNextLabel_ = MakeNavigationLabel("HDDNextLabel", "Next", physical);
    createCancelLabel_ = MakeNavigationLabel("CancelLabel", "Cancel", physical);
    inner->addLayout(NavigationRow(createNextLabel_, createCancelLabel_));
    connect(createNextLabel_, &LabelButton::clicked, this, &MainWindow::CreatePageNextClick);
    connect(createCancelLabel_, &LabelButton::clicked, this, &MainWindow::CancelClick);
    for (LabelButton* label : {createNextLabel_, createCancelLabel_}) {
      connect(label, &LabelButton::mouseEntered, this, &MainWindow::NextLabelMouseEnter);
      connect(label, &LabelButton::mouseLeft, this, &MainWindow::NextLabelMouseLeave);
    }
  }
  createPages_->addTab(physical, "Physical Drives");

  // Inner page 1: logical drives.
  QWidget* logical = MakePage("CI_LogicalDrivesTabSheet");
  {
    auto* inner = new QVBoxLayout(logical);
    inner->setContentsMargins(8, 6, 8, 8);
    inner->setSpacing(2);
    listControls_.Volumes = MakeList("CI_LogicalDrivesListView", VolumeCell, true, logical);
    inner->addWidget(Framed(listControls_.Volumes, logical), 3);
    listControls_.VolumesMemo = MakeMemo("CI_LogicalMemo", logical);
    inner->addWidget(Framed(listControls_.VolumesMemo, logical), 1);
    auto* next = MakeNavigationLabel("TntLabel1", "Next", logical);
    auto* cancel = MakeNavigationLabel("TntLabel2", "Cancel", logical);
    next->setCursor(Qt::PointingHandCursor);
    cancel->setCursor(Qt::PointingHandCursor);
    inner->addLayout(NavigationRow(next, cancel));
    connect(next, &LabelButton::clicked, this, &MainWindow::CreatePageNextClick);
    connect(next, &LabelButton::mouseEntered, this, &MainWindow::NextLabelMouseEnter);
    connect(next, &LabelButton::mouseLeft, this, &MainWindow::NextLabelMouseLeave);
    connect(cancel, &LabelButton::clicked, this, &MainWindow::VolumesCancelClick);
  }
  createPages_->addTab(logical, "Logical Drives");
  return page;
}

QWidget* MainWindow::BuildRestoreImagePage() {
  QWidget* page = MakePage("RestoreImageTabSheet");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // The restore page lists physical destinations only: the restore set-up
  // hides its Logical Drives button.
  const DriveToolBar toolBar = MakeDriveToolBar("TntToolBar1", "RI_PhysicalDrivesToolButton",
                                                "RI_LogicalDrivesToolButton", "InfoToolButton", page);
  listControls_.RestorePhysicalButton = toolBar.Physical;
  listControls_.RestoreLogicalButton = toolBar.Logical;
  connect(toolBar.Info, &QToolButton::clicked, this, &MainWindow::InfoClick);
  layout->addWidget(toolBar.Bar);

  restorePages_ = MakePages("RestoreImagePageControl", page);
  layout->addWidget(restorePages_, 1);

  QWidget* physical = MakePage("TntTabSheet2");
  auto* inner = new QVBoxLayout(physical);
  inner->setContentsMargins(8, 6, 8, 8);
  inner->setSpacing(2);
  const DriveAndPartitionLists lists =
      MakeDriveAndPartitionLists("RI_HDDListView", "RI_PartitionListView", physical);
  listControls_.RestoreDrives = lists.Drives;
  listControls_.RestorePartitions = lists.Partitions;
  inner->addWidget(lists.Splitter, 3);
  restorePageMemo_ = MakeMemo("RI_Memo", physical);
  inner->addWidget(Framed(restorePageMemo_, physical), 1);
  auto* next = MakeNavigationLabel("RestoreNextLabel", "Next", physical);
  auto* cancel = MakeNavigationLabel("TntLabel4", "Cancel", physical);
  next->setCursor(Qt::PointingHandCursor);
  cancel->setCursor(Qt::PointingHandCursor);
  inner->addLayout(NavigationRow(next, cancel));
  connect(next, &LabelButton::clicked, this, &MainWindow::RestorePageNextClick);
  connect(next, &LabelButton::mouseEntered, this, &MainWindow::NextLabelMouseEnter);
  connect(next, &LabelButton::mouseLeft, this, &MainWindow::NextLabelMouseLeave);
  connect(cancel, &LabelButton::clicked, this, &MainWindow::CancelClick);
  restorePages_->addTab(physical, "Physical Drives");
  return page;
}

void MainWindow::WireLists() {
  ListPageSwitches pages;
  pages.ShowCreatePhysical = [this] { ShowCreateImagePage(0); };
  pages.ShowCreateLogical = [this] { ShowCreateImagePage(1); };
  pages.ShowRestorePhysical = [this] { ShowRestoreImagePage(0); };
  pages.RestoreImageChosen = [this] { return !chosenImagePath_.isEmpty(); };
  lists_ = new MainWindowLists(session_, *this, listControls_, std::move(pages));
}

// --- creation and showing ---

void MainWindow::ApplyStoredLanguage() {
  // The stored language, repaired to 2 when missing or invalid (English when
  // the store cannot be written); a change from 2 loads the texts through the
  // change event, and they are loaded once more here in any case.
  const int language = ReadStoredLanguage(session_.platform);
  if (session_.dispatcher.SetActiveLanguage(language)) {
    session_.dispatcher.SetActiveLanguage(LanguageEnglish);  // cannot happen: the number was checked
  }
  UpdateStrings();
  SetWindowColour(MainWindowColour);
}

void MainWindow::UpdateStrings() {
  session_.texts = drivecopy::UpdateStrings(MessageCatalogue::Builtin(), session_.dispatcher.ActiveLanguage(),
                                            session_.platform.MessageVariant());
  // What the lower layers write (image faults, file errors, row captions)
  // follows the windows' language.
  UseDetailLanguage(session_.dispatcher.ActiveLanguage());
  ++updateStringsRuns_;
  statusBar_->SetPanelText(0, Q(session_.texts.strScopyright));
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!firstShowDone_) {
    firstShowDone_ = true;
    FirstShow();
  }
}

void MainWindow::FirstShow() {
  FollowFrame();
  ShowMainPage(0);
  // One pixel wider and back, so that the start-screen buttons are placed
  // before the window is first seen.
  resize(width() + 1, height());
  resize(width() - 1, height());
  CentreStartButtons();
  session_.platform.EnsureSettingsStore();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  CentreStartButtons();
  FollowFrame();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FollowFrame();
}

void MainWindow::FollowFrame() {
  // The smallest size and the start-screen layout count the frame, which on
  // X11 is known only once the window manager has framed the shown window
  // (it then moves the window); until then the frame reads as nothing.
  if (!firstShowDone_) return;
  const QSize frame = frameGeometry().size() - size();
  if (frame == knownFrame_) return;
  knownFrame_ = frame;
  setMinimumSize(QSize(SmallestWidth, SmallestHeight) - frame);
  CentreStartButtons();
}

void MainWindow::CentreStartButtons() {
  // Centre the button column by the outer size, frame included.
  const QSize outer = frameGeometry().size();
  const int newLeft = (outer.width() - createImageButton_->width() - 20) / 2;
  const int newTop = (outer.height() - createImageButton_->height() - 200) / 2;
  const int dx = newLeft - createImageButton_->x();
  const int dy = newTop - createImageButton_->y();
  for (SkinnedImageButton* button : {createImageButton_, restoreImageButton_, cloneDrivesButton_}) {
    button->move(button->x() + dx, button->y() + dy);
  }
}

void MainWindow::SetWindowColour(const QColor& colour) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colour);
  setPalette(palette);
}

// --- page switching ---

void MainWindow::ShowMainPage(std::uint8_t index) {
  pages_->setCurrentIndex(index);
  pages_->tabBar()->hide();
  pages_->widget(index)->setVisible(true);
  const MessageTexts& texts = session_.texts;
  QString caption = "Free " + Q(texts.strSVRZTitle) + Q(texts.strSVRZVersion);
  switch (index) {
    case 0:
      SetWindowColour(MainWindowColour);
      break;
    case 1:
      caption +=
          Q(session_.jobKind == JobKind::CloneDrives ? texts.strSVRZCloneImage : texts.strSVRZCreateImage);
      break;
    default:
      SetWindowColour(RestorePageColour);
      caption += Q(texts.strSVRZRestoreImage);
      break;
  }
  setWindowTitle(caption);
}

void MainWindow::ShowCreateImagePage(std::uint8_t index) {
  createPages_->setCurrentIndex(index);
  createPages_->tabBar()->hide();
  for (int page = 0; page < createPages_->count(); ++page) {
    createPages_->widget(page)->setVisible(false);
  }
  createPages_->widget(index)->setVisible(true);
}

void MainWindow::ShowRestoreImagePage(std::uint8_t index) {
  restorePages_->setCurrentIndex(index);
  restorePages_->tabBar()->hide();
  restorePages_->widget(0)->setVisible(false);
  restorePages_->widget(index)->setVisible(true);
}

// --- start screen ---

void MainWindow::SetCreatePageLabelsEnabled(bool enabled) {
  createNextLabel_->setEnabled(enabled);
  createCancelLabel_->setEnabled(enabled);
}

void MainWindow::CreateImageClick() {
  if (lists_->Filling()) return;
  session_.jobKind = JobKind::CreateImage;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  createPageMemo_->clear();
  SetCreatePageLabelsEnabled(false);
  ShowMainPage(1);
  ShowCreateImagePage(0);
  lists_->PrepareCreatePageButtons(true);
  // A volume ticked in an earlier visit must not become the source of this one.
  listControls_.Volumes->clear();
  listControls_.CreateDrives->clear();
  lists_->Pump()();
  lists_->ShowPhysicalDrives(*listControls_.CreateDrives, *listControls_.CreatePartitions);
  createPageMemo_->appendPlainText(Q(session_.texts.strSInfoSelectDriveandContinue));
  SetCreatePageLabelsEnabled(true);
}

void MainWindow::CloneDrivesClick() {
  if (lists_->Filling()) return;
  session_.jobKind = JobKind::CloneDrives;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  SetCreatePageLabelsEnabled(false);
  createPageMemo_->clear();
  ShowMainPage(1);
  ShowCreateImagePage(0);
  lists_->PrepareCreatePageButtons(false);
  listControls_.Volumes->clear();  // volumes are no clone source
  lists_->ShowPhysicalDrives(*listControls_.CreateDrives, *listControls_.CreatePartitions);
  createPageMemo_->appendPlainText(Q(CloneSelection::FirstStepPrompt(session_.texts)));
  SetCreatePageLabelsEnabled(true);
}

void MainWindow::RestoreImageClick() {
  if (lists_->Filling()) return;
  session_.jobKind = JobKind::RestoreImage;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  restorePageMemo_->clear();
  const std::optional<QString> path = session_.prompts.ChooseOpenFile(this, openImageDialog_->Choice());
  if (!path || path->isEmpty()) return;  // the window stays on the start screen
  openImageDialog_->RememberPath(*path);
  OpenImageForRestore(*path);
}

void MainWindow::OpenImageForRestore(const QString& imagePath) {
  // Only an image that could be read is kept: after a failed one the page
  // offers no destination and Next leads nowhere until a readable one is chosen.
  chosenImagePath_.clear();
  ShowMainPage(2);
  ShowRestoreImagePage(0);
  const Outcome<std::string> sizeLine =
      ImageSizeLine(session_.platform, session_.texts, imagePath.toStdString(), lists_->DecimalSeparator());
  if (!sizeLine) {
    // No destination is offered for an image that cannot be read, so no
    // earlier list's tick can lead Next to it.
    listControls_.RestoreDrives->clear();
    listControls_.RestorePartitions->clear();
    ShowError(sizeLine.error().text);
    return;
  }
  chosenImagePath_ = imagePath;
  restorePageMemo_->appendPlainText(Q(sizeLine.value()));
  lists_->PrepareRestorePageButtons();
  lists_->ShowPhysicalDrives(*listControls_.RestoreDrives, *listControls_.RestorePartitions);
  restorePageMemo_->appendPlainText(Q(session_.texts.StrSInfoSelectDriveToRestore));
}

void MainWindow::StartButtonMouseEnter(SkinnedImageButton* button) {
  cursorBeforeHover_ = CurrentOverrideCursor();
  SetOverrideCursor(Qt::PointingHandCursor);
  button->ShowHoverImage(true);
}

void MainWindow::StartButtonMouseLeave(SkinnedImageButton* button, std::optional<Qt::CursorShape> cursor) {
  SetOverrideCursor(cursor);
  button->ShowHoverImage(false);
}

// --- labels and tool buttons ---

void MainWindow::NextLabelMouseEnter() { SetOverrideCursor(Qt::PointingHandCursor); }

void MainWindow::NextLabelMouseLeave() { SetOverrideCursor(std::nullopt); }

void MainWindow::CancelClick() {
  ShowMainPage(0);
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
}

void MainWindow::VolumesCancelClick() { ShowMainPage(0); }

void MainWindow::InfoClick() {
  if (infoWindow_ != nullptr) infoWindow_->ShowInFront();
}

void MainWindow::ShowError(const std::string& text) {
  session_.prompts.ShowMessageBox(this, Q(session_.texts.strSTitleERROR), Q(text), MessageBoxIcon::Error);
}

void MainWindow::CreatePageNextClick() {
  if (lists_->Filling()) return;  // the lists are half built
  // The source: the first ticked drive, else partition, else volume.
  QListWidgetItem* item = MainWindowLists::FirstTicked(*listControls_.CreateDrives);
  if (item == nullptr) item = MainWindowLists::FirstTicked(*listControls_.CreatePartitions);
  if (item == nullptr) item = MainWindowLists::FirstTicked(*listControls_.Volumes);
  if (item == nullptr) return;
  const std::optional<DriveRow> row = MainWindowLists::RowOf(*item);
  if (!row) return;
  if (session_.jobKind == JobKind::CloneDrives) {
    CloneNext(item, *row);
  } else {
    CreateImageNext(*row);
  }
}

void MainWindow::CreateImageNext(const DriveRow& row) {
  if (createWindow_ == nullptr) return;
  const std::optional<CreateSource> source =
      PrepareCreateSource(session_.platform, row.Record, lists_->Pump(), lists_->DecimalSeparator());
  if (!source) {
    ShowError(session_.texts.strSBADDisk);
    return;
  }
  createWindow_->SetSource(source->DevicePath, source->Kind, source->Range.FirstSector,
                           source->Range.EndSector);
  createWindow_->Header() = source->Header;
  if (source->Description) createWindow_->SourceLabel().setText(LabelText(*source->Description));
  const std::optional<QString> imagePath = createWindow_->AskImagePath();
  if (!imagePath || imagePath->isEmpty()) return;
  createWindow_->ImagePathEdit().setText(*imagePath);
  createWindow_->show();
}

void MainWindow::CloneNext(QListWidgetItem* item, const DriveRow& row) {
  if (cloneWindow_ == nullptr) return;
  CloneSelection& selection = cloneWindow_->Selection();
  // Both chosen (the clone window was closed by its title bar): the
  // selection starts over with the ticked row as the new source. It is
  // worked out on a fresh selection, so a refused row forgets nothing.
  const bool startOver = selection.SourceChosen() && selection.DestinationChosen();
  CloneSelection next = startOver ? CloneSelection{} : selection;
  Outcome<CloneSelection::NextResult> step =
      next.Next(session_.platform, session_.texts, row, lists_->DecimalSeparator());
  if (!step) {
    ShowError(step.error().text);
    return;
  }
  selection = next;
  if (startOver) {
    createPageMemo_->clear();
    createPageMemo_->appendPlainText(Q(CloneSelection::FirstStepPrompt(session_.texts)));
    cloneWindow_->DestinationLabel().clear();
  }
  for (const std::string& line : step->PageMemoLines) createPageMemo_->appendPlainText(Q(line));
  cloneWindow_->ShowSelectionStep(step.value());

  if (step->Recorded == CloneSelection::Step::SourceRecorded) {
    if (startOver) {
      // The former source comes back; the new one is left out by the fill.
      lists_->ShowPhysicalDrives(*listControls_.CreateDrives, *listControls_.CreatePartitions);
    } else {
      lists_->RemoveCloneSourceRow(item);
    }
    return;
  }
  cloneWindow_->show();
}

void MainWindow::RestorePageNextClick() {
  if (lists_->Filling()) return;
  QListWidgetItem* item = MainWindowLists::FirstTicked(*listControls_.RestoreDrives);
  if (item == nullptr) item = MainWindowLists::FirstTicked(*listControls_.RestorePartitions);
  if (item == nullptr || restoreWindow_ == nullptr || chosenImagePath_.isEmpty()) return;
  const std::optional<DriveRow> row = MainWindowLists::RowOf(*item);
  if (!row) return;
  const Outcome<RestoreDestination> destination = RestoreDestinationFromRecord(
      session_.platform, session_.texts, row->Record, lists_->DecimalSeparator());
  if (!destination) {
    ShowError(destination.error().text);
    return;
  }
  restoreWindow_->DestinationLabel().setText(LabelText(destination.value().Description));
  restoreWindow_->SetRestoreParameters(destination.value().DevicePath, destination.value().Range.FirstSector,
                                       destination.value().Range.EndSector);
  restoreWindow_->SetImageFileName(chosenImagePath_);
  restoreWindow_->show();
}

}  // namespace drivecopy
