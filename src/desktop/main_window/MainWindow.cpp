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

#include "jobs/CreateImageSetup.h"
#include "desktop/operations/CreateImageWindow.h"
#include "jobs/RestoreSetup.h"
#include "desktop/operations/CloneWindow.h"
#include "desktop/operations/RestoreImageWindow.h"
#include "desktop/main_window/MainWindowLists.h"
#include "text/MessageCatalogue.h"
#include "text/StoredLanguage.h"
#include "desktop/shared/DesktopBasics.h"
#include "desktop/shared/FileDialogSettings.h"
#include "desktop/shared/OverrideCursor.h"
#include "desktop/main_window/InfoWindow.h"
#include "desktop/shared/WindowTranslator.h"
#include "desktop/widgets/Artwork.h"
#include "desktop/widgets/CheckListView.h"
#include "desktop/widgets/GradientToolBar.h"
#include "desktop/widgets/LabelButton.h"
#include "desktop/widgets/PanelStatusBar.h"
#include "desktop/widgets/ShadowFrame.h"
#include "desktop/widgets/SkinnedImageButton.h"
#include "desktop/widgets/TiledImageContainer.h"

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
  // holds language 2 until FormCreate sets the stored one.
  WireLists();

  siLang1_ = new WindowTranslator(*this, BuiltinWindowTable("TVRZMainForm"), QStringLiteral("TVRZMainForm"),
                                 LanguageEnglish, "siLang1");
  siLang1_->SetChangeHandler([this] { UpdateStrings(); });
  session_.dispatcher.Link(*siLang1_);
  FormCreate();
}

MainWindow::~MainWindow() {
  SetOverrideCursor(std::nullopt);
  session_.dispatcher.Unlink(*siLang1_);
}

void MainWindow::AttachWindows(RestoreImageWindow* restoreWindow, CreateImageWindow* createWindow,
                                 CloneWindow* cloneWindow, InfoWindow* infoWindow) {
  restoreWindow_ = restoreWindow;
  createWindow_ = createWindow;
  cloneWindow_ = cloneWindow;
  infoWindow_ = infoWindow;
  lists_->SetCloneWindow(cloneWindow);
  if (createWindow != nullptr) {
    connect(createWindow, &CreateImageWindow::runEnded, ciHddMemo_, &QPlainTextEdit::setPlainText);
  }
  if (cloneWindow != nullptr) {
    connect(cloneWindow, &CloneWindow::copyLetGo, ciHddMemo_, &QPlainTextEdit::appendPlainText);
  }
}

// --- construction ---

void MainWindow::BuildControls() {
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

QWidget* MainWindow::BuildStartScreen() {
  auto* screen = new TiledImageContainer(artwork::StartScreenTile());
  screen->setObjectName("StartScreen");
  struct ButtonDesign {
    const char* name;
    artwork::StartButton art;
    SkinnedImageButton** member;
    std::optional<Qt::CursorShape> cursorAfterLeave;
    void (MainWindow::*click)();
  };
  // Leaving Create Image restores the cursor saved on entry; leaving the
  // other two sets an explicit arrow override.
  const ButtonDesign designs[] = {
      {"CreateImageButtom", artwork::StartButton::CreateImage, &createImageButtom_, std::nullopt,
       &MainWindow::CreateImageButtomClick},
      {"RestoreImageButtom", artwork::StartButton::RestoreImage, &restoreImageButtom_, Qt::ArrowCursor,
       &MainWindow::RestoreImageButtomClick},
      {"CloneImageButtom", artwork::StartButton::CloneDrives, &cloneImageButtom_, Qt::ArrowCursor,
       &MainWindow::CloneImageButtomClick},
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

QWidget* MainWindow::BuildCreateImagePage() {
  QWidget* page = MakePage("CreateImageTabSheet");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolBar = new GradientToolBar(page);
  toolBar->setObjectName("DiskToolBar");
  // Physical Drives and Logical Drives belong to the lists (WireLists).
  listControls_.CI_PhysicalDrivesToolButton = toolBar->AddButton("CI_PhysicalDrivesToolButton", "Physical Drives");
  listControls_.CI_LogicalDrivesToolButton = toolBar->AddButton("CI_LogicalDrivesToolButton", "Logical Drives");
  MakePressable(listControls_.CI_PhysicalDrivesToolButton);
  MakePressable(listControls_.CI_LogicalDrivesToolButton);
  connect(toolBar->AddButton("TntToolButton1", "Info"), &QToolButton::clicked, this,
          &MainWindow::InfoToolButtonClick);
  layout->addWidget(toolBar);

  createImagePageControl_ = MakePageControl("CreateImagePageControl", page);
  layout->addWidget(createImagePageControl_, 1);

  // Inner page 0: physical drives and their partitions.
  QWidget* physical = MakePage("CI_PhysDrivesTntTabSheet");
  {
    auto* inner = new QVBoxLayout(physical);
    inner->setContentsMargins(8, 6, 8, 8);
    inner->setSpacing(2);
    listControls_.CI_HDDListView = MakeList("CI_HDDListView", DriveCell, true, physical);
    listControls_.CI_PartitionListView = MakeList("CI_PartitionListView", PartitionCell, false, physical);
    inner->addWidget(DriveSplitter(Framed(listControls_.CI_HDDListView, physical),
                                   Framed(listControls_.CI_PartitionListView, physical)),
                     3);
    ciHddMemo_ = MakeMemo("CI_HDDMemo", physical);
    inner->addWidget(Framed(ciHddMemo_, physical), 1);
    hddNextLabel_ = MakeNavigationLabel("HDDNextLabel", "Next", physical);
    cancelLabel_ = MakeNavigationLabel("CancelLabel", "Cancel", physical);
    inner->addLayout(NavigationRow(hddNextLabel_, cancelLabel_));
    connect(hddNextLabel_, &LabelButton::clicked, this, &MainWindow::HDDNextLabelClick);
    connect(cancelLabel_, &LabelButton::clicked, this, &MainWindow::CancelLabelClick);
    for (LabelButton* label : {hddNextLabel_, cancelLabel_}) {
      connect(label, &LabelButton::mouseEntered, this, &MainWindow::HDDNextLabelMouseEnter);
      connect(label, &LabelButton::mouseLeft, this, &MainWindow::HDDNextLabelMouseLeave);
    }
  }
  createImagePageControl_->addTab(physical, "Physical Drives");

  // Inner page 1: logical drives.
  QWidget* logical = MakePage("CI_LogicalDrivesTabSheet");
  {
    auto* inner = new QVBoxLayout(logical);
    inner->setContentsMargins(8, 6, 8, 8);
    inner->setSpacing(2);
    listControls_.CI_LogicalDrivesListView = MakeList("CI_LogicalDrivesListView", VolumeCell, true, logical);
    inner->addWidget(Framed(listControls_.CI_LogicalDrivesListView, logical), 3);
    listControls_.CI_LogicalMemo = MakeMemo("CI_LogicalMemo", logical);
    inner->addWidget(Framed(listControls_.CI_LogicalMemo, logical), 1);
    auto* next = MakeNavigationLabel("TntLabel1", "Next", logical);
    auto* cancel = MakeNavigationLabel("TntLabel2", "Cancel", logical);
    next->setCursor(Qt::PointingHandCursor);
    cancel->setCursor(Qt::PointingHandCursor);
    inner->addLayout(NavigationRow(next, cancel));
    connect(next, &LabelButton::clicked, this, &MainWindow::HDDNextLabelClick);
    connect(next, &LabelButton::mouseEntered, this, &MainWindow::HDDNextLabelMouseEnter);
    connect(next, &LabelButton::mouseLeft, this, &MainWindow::HDDNextLabelMouseLeave);
    connect(cancel, &LabelButton::clicked, this, &MainWindow::TntLabel2Click);
  }
  createImagePageControl_->addTab(logical, "Logical Drives");
  return page;
}

QWidget* MainWindow::BuildRestoreImagePage() {
  QWidget* page = MakePage("RestoreImageTabSheet");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolBar = new GradientToolBar(page);
  toolBar->setObjectName("TntToolBar1");
  // The restore page lists physical destinations only: the restore set-up
  // hides its Logical Drives button.
  listControls_.RI_PhysicalDrivesToolButton = toolBar->AddButton("RI_PhysicalDrivesToolButton", "Physical Drives");
  listControls_.RI_LogicalDrivesToolButton = toolBar->AddButton("RI_LogicalDrivesToolButton", "Logical Drives");
  MakePressable(listControls_.RI_PhysicalDrivesToolButton);
  MakePressable(listControls_.RI_LogicalDrivesToolButton);
  connect(toolBar->AddButton("InfoToolButton", "Info"), &QToolButton::clicked, this,
          &MainWindow::InfoToolButtonClick);
  layout->addWidget(toolBar);

  restoreImagePageControl_ = MakePageControl("RestoreImagePageControl", page);
  layout->addWidget(restoreImagePageControl_, 1);

  QWidget* physical = MakePage("TntTabSheet2");
  auto* inner = new QVBoxLayout(physical);
  inner->setContentsMargins(8, 6, 8, 8);
  inner->setSpacing(2);
  listControls_.RI_HDDListView = MakeList("RI_HDDListView", DriveCell, true, physical);
  listControls_.RI_PartitionListView = MakeList("RI_PartitionListView", PartitionCell, false, physical);
  inner->addWidget(DriveSplitter(Framed(listControls_.RI_HDDListView, physical),
                                 Framed(listControls_.RI_PartitionListView, physical)),
                   3);
  riMemo_ = MakeMemo("RI_Memo", physical);
  inner->addWidget(Framed(riMemo_, physical), 1);
  auto* next = MakeNavigationLabel("RestoreNextLabel", "Next", physical);
  auto* cancel = MakeNavigationLabel("TntLabel4", "Cancel", physical);
  next->setCursor(Qt::PointingHandCursor);
  cancel->setCursor(Qt::PointingHandCursor);
  inner->addLayout(NavigationRow(next, cancel));
  connect(next, &LabelButton::clicked, this, &MainWindow::RestoreNextLabelClick);
  connect(next, &LabelButton::mouseEntered, this, &MainWindow::HDDNextLabelMouseEnter);
  connect(next, &LabelButton::mouseLeft, this, &MainWindow::HDDNextLabelMouseLeave);
  connect(cancel, &LabelButton::clicked, this, &MainWindow::CancelLabelClick);
  restoreImagePageControl_->addTab(physical, "Physical Drives");
  return page;
}

void MainWindow::WireLists() {
  ListPageSwitches pages;
  pages.ShowCreatePhysical = [this] { ShowCreateImagePage(0); };
  pages.ShowCreateLogical = [this] { ShowCreateImagePage(1); };
  pages.ShowRestorePhysical = [this] { ShowRestoreImagePage(0); };
  lists_ = new MainWindowLists(session_, *this, listControls_, std::move(pages));
}

// --- creation and showing ---

void MainWindow::FormCreate() {
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
  ++updateStringsRuns_;
  statusBar_->SetPanelText(0, Q(session_.texts.strScopyright));
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!firstShowDone_) {
    firstShowDone_ = true;
    FormShow();
  }
}

void MainWindow::FormShow() {
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

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void MainWindow::FormResize() {
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

void MainWindow::SetWindowColour(const QColor& colour) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colour);
  setPalette(palette);
}

// --- page switching ---

void MainWindow::ShowMainPage(std::uint8_t index) {
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

void MainWindow::ShowCreateImagePage(std::uint8_t index) {
  createImagePageControl_->setCurrentIndex(index);
  createImagePageControl_->tabBar()->hide();
  for (int page = 0; page < createImagePageControl_->count(); ++page) {
    createImagePageControl_->widget(page)->setVisible(false);
  }
  createImagePageControl_->widget(index)->setVisible(true);
}

void MainWindow::ShowRestoreImagePage(std::uint8_t index) {
  restoreImagePageControl_->setCurrentIndex(index);
  restoreImagePageControl_->tabBar()->hide();
  restoreImagePageControl_->widget(0)->setVisible(false);
  restoreImagePageControl_->widget(index)->setVisible(true);
}

// --- start screen ---

void MainWindow::SetCreatePageLabelsEnabled(bool enabled) {
  hddNextLabel_->setEnabled(enabled);
  cancelLabel_->setEnabled(enabled);
}

void MainWindow::CreateImageButtomClick() {
  if (lists_->Filling()) return;
  session_.JobKind = 1;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  ciHddMemo_->clear();
  SetCreatePageLabelsEnabled(false);
  ShowMainPage(1);
  ShowCreateImagePage(0);
  lists_->PrepareCreatePageButtons(true);
  // A volume ticked in an earlier visit must not become the source of this one.
  listControls_.CI_LogicalDrivesListView->clear();
  listControls_.CI_HDDListView->clear();
  lists_->Pump()();
  lists_->ShowPhysicalDrives(*listControls_.CI_HDDListView, *listControls_.CI_PartitionListView);
  ciHddMemo_->appendPlainText(Q(session_.texts.strSInfoSelectDriveandContinue));
  SetCreatePageLabelsEnabled(true);
}

void MainWindow::CloneImageButtomClick() {
  if (lists_->Filling()) return;
  session_.JobKind = 3;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  SetCreatePageLabelsEnabled(false);
  ciHddMemo_->clear();
  ShowMainPage(1);
  ShowCreateImagePage(0);
  lists_->PrepareCreatePageButtons(false);
  listControls_.CI_LogicalDrivesListView->clear();  // volumes are no clone source
  lists_->ShowPhysicalDrives(*listControls_.CI_HDDListView, *listControls_.CI_PartitionListView);
  ciHddMemo_->appendPlainText(Q(CloneSelection::FirstStepPrompt(session_.texts)));
  SetCreatePageLabelsEnabled(true);
}

void MainWindow::RestoreImageButtomClick() {
  if (lists_->Filling()) return;
  session_.JobKind = 2;
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
  riMemo_->clear();
  const std::optional<QString> path = session_.prompts.ChooseOpenFile(this, openImageDialog_->Choice());
  if (!path || path->isEmpty()) return;  // the window stays on the start screen
  openImageDialog_->RememberPath(*path);
  OpenImageForRestore(*path);
}

void MainWindow::OpenImageForRestore(const QString& imagePath) {
  chosenImagePath_ = imagePath;
  ShowMainPage(2);
  ShowRestoreImagePage(0);
  const Outcome<std::string> sizeLine =
      ImageSizeLine(session_.platform, session_.texts, imagePath.toStdString(), lists_->DecimalSeparator());
  if (!sizeLine) {
    // No destination is offered for an image that cannot be read, so no
    // earlier list's tick can lead Next to it.
    listControls_.RI_HDDListView->clear();
    listControls_.RI_PartitionListView->clear();
    ShowError(sizeLine.error().text);
    return;
  }
  riMemo_->appendPlainText(Q(sizeLine.value()));
  lists_->PrepareRestorePageButtons();
  lists_->ShowPhysicalDrives(*listControls_.RI_HDDListView, *listControls_.RI_PartitionListView);
  riMemo_->appendPlainText(Q(session_.texts.StrSInfoSelectDriveToRestore));
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

void MainWindow::HDDNextLabelMouseEnter() { SetOverrideCursor(Qt::PointingHandCursor); }

void MainWindow::HDDNextLabelMouseLeave() { SetOverrideCursor(std::nullopt); }

void MainWindow::CancelLabelClick() {
  ShowMainPage(0);
  if (cloneWindow_ != nullptr) cloneWindow_->Selection().Clear();
}

void MainWindow::TntLabel2Click() { ShowMainPage(0); }

void MainWindow::InfoToolButtonClick() {
  if (infoWindow_ != nullptr) infoWindow_->ShowInFront();
}

void MainWindow::ShowError(const std::string& text) {
  session_.prompts.ShowMessageBox(this, Q(session_.texts.strSTitleERROR), Q(text), MessageBoxIcon::Error);
}

void MainWindow::HDDNextLabelClick() {
  if (lists_->Filling()) return;  // the lists are half built
  // The source: the first ticked drive, else partition, else volume.
  QListWidgetItem* item = MainWindowLists::FirstTicked(*listControls_.CI_HDDListView);
  if (item == nullptr) item = MainWindowLists::FirstTicked(*listControls_.CI_PartitionListView);
  if (item == nullptr) item = MainWindowLists::FirstTicked(*listControls_.CI_LogicalDrivesListView);
  if (item == nullptr) return;
  const std::optional<DriveRow> row = MainWindowLists::RowOf(*item);
  if (!row) return;
  if (session_.JobKind == 3) {
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
  createWindow_->SetSource(source->DevicePath, source->Kind, source->Range.FirstSector, source->Range.EndSector);
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
    ciHddMemo_->clear();
    ciHddMemo_->appendPlainText(Q(CloneSelection::FirstStepPrompt(session_.texts)));
    cloneWindow_->DestinationLabel().clear();
  }
  for (const std::string& line : step->PageMemoLines) ciHddMemo_->appendPlainText(Q(line));
  cloneWindow_->ShowSelectionStep(step.value());

  if (step->Recorded == CloneSelection::Step::SourceRecorded) {
    if (startOver) {
      // The former source comes back; the new one is left out by the fill.
      lists_->ShowPhysicalDrives(*listControls_.CI_HDDListView, *listControls_.CI_PartitionListView);
    } else {
      lists_->RemoveCloneSourceRow(item);
    }
    return;
  }
  cloneWindow_->show();
}

void MainWindow::RestoreNextLabelClick() {
  if (lists_->Filling()) return;
  QListWidgetItem* item = MainWindowLists::FirstTicked(*listControls_.RI_HDDListView);
  if (item == nullptr) item = MainWindowLists::FirstTicked(*listControls_.RI_PartitionListView);
  if (item == nullptr || restoreWindow_ == nullptr) return;
  const std::optional<DriveRow> row = MainWindowLists::RowOf(*item);
  if (!row) return;
  const Outcome<RestoreDestination> destination =
      RestoreDestinationFromRecord(session_.platform, session_.texts, row->Record, lists_->DecimalSeparator());
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
