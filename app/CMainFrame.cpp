#include "app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

#include "app/AboutDialog.h"
#include "app/CSelvoViewerApp.h"
#include "app/DateFormatDialog.h"
#include "app/TitleInputDialog.h"
#include "app/ToolbarIcons.h"
#include "app/VideoExportDialog.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/ImageViewLink.h"
#include "panel/CSelvoFormView.h"
#include "source/text/StringTable.h"
#include "source/text/UiText.h"
#include "view/CSelvoViewerView.h"
#include "view/FixedSplitter.h"


namespace selvo {

namespace {

// String-table rows of commands read "status prompt\ntooltip".
void ApplyPrompts(QAction* action, int id) {
  const QString text = QString::fromStdString(LoadString(id));
  if (text.isEmpty()) return;
  const int newline = text.indexOf(QLatin1Char('\n'));
  action->setStatusTip(newline < 0 ? text : text.left(newline));
  if (newline >= 0) action->setToolTip(text.mid(newline + 1));
}

}  // namespace

CMainFrame::CMainFrame(CSelvoViewerDoc& doc, QSettings& profile, int variant, QWidget* parent)
    : QMainWindow(parent), doc_(doc), profile_(profile), variant_(variant) {
  aboutCommandId_ = variant == 0 ? cmd::kAppAbout : cmd::kAppAboutVariant;
  setWindowTitle(CSelvoViewerApp::ProductTitle(variant));
  setWindowIcon(ProgramIcon());
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  CreateClient();
  resize(kInitialWidth, kInitialHeight);
  setMinimumSize(kMinWidth, kMinHeight);
  doc_.SetPrompts(&prompts_);
  connect(&doc_, &CSelvoViewerDoc::commandStatesChanged, this, &CMainFrame::UpdateCommandStates);
  connect(&doc_, &CSelvoViewerDoc::closeAllowedChanged, this, [this](bool allowed) {
    if (allowed)
      EnableClose();
    else
      DisableClose();
  });
  UpdateCommandStates();
}

CMainFrame::~CMainFrame() { doc_.SetPrompts(nullptr); }

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* english, const char* japanese) {
  auto* action = new QAction(UiText(english, japanese), this);
  action->setData(id);
  ApplyPrompts(action, id);
  connect(action, &QAction::triggered, this, [this, id] { FireCommand(id); });
  menu->addAction(action);
  actions_[id] = action;
  return action;
}

// One style in both languages: every item has a mnemonic, items that open a
// dialog end in "...", English items in title case with the mnemonic inside
// the word, Japanese ones with the letter in brackets after the text.
void CMainFrame::CreateMenus() {
  const bool japanese = CurrentUiLanguage() == UiLanguage::Japanese;
  QMenu* file = menuBar()->addMenu(UiText("&File", "ファイル(&F)"));
  AddCommand(file, cmd::kFileOpen, "&Open...", "開く(&O)...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  AddCommand(file, cmd::kFileSaveImage, "&Save...", "保存(&S)...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  AddCommand(file, cmd::kFilePrint, "&Print...", "印刷(&P)...")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  AddCommand(file, cmd::kFileExportVideo, "Export &Video...", "ビデオ書き出し(&V)...");
  file->addSeparator();
  AddCommand(file, cmd::kTitleInput, "&Title Input...", "タイトル入力(&T)...");
  if (!japanese) file->addSeparator();
  AddCommand(file, cmd::kAppExit, "E&xit", "終了(&X)");

  QMenu* view = menuBar()->addMenu(UiText("&View", "表示(&V)"));
  AddCommand(view, cmd::kViewToolbar, "&Toolbar", "ツール バー(&T)");
  AddCommand(view, cmd::kViewStatusBar, "&Status Bar", "ステータス バー(&S)");
  AddCommand(view, cmd::kCameraTitle, "&Camera Title", "カメラタイトル(&C)");
  AddCommand(view, cmd::kDateFormat, "&Date Display Format...", "日付表示形式(&D)...");
  QMenu* position = view->addMenu(UiText("Time Display &Position", "時刻表示位置(&P)"));
  // The four corners exclude each other: they show as radio items.
  auto* corners = new QActionGroup(this);
  corners->setExclusive(true);
  corners->addAction(AddCommand(position, cmd::kTimeRightDown, "Right &Down", "右下(&D)"));
  corners->addAction(AddCommand(position, cmd::kTimeRightUp, "Right &Up", "右上(&U)"));
  corners->addAction(AddCommand(position, cmd::kTimeLeftUp, "&Left Up", "左上(&L)"));
  corners->addAction(AddCommand(position, cmd::kTimeLeftDown, "Le&ft Down", "左下(&F)"));
  QMenu* image = view->addMenu(UiText("&Image", "画像(&I)"));
  AddCommand(image, cmd::kSplit1, "&1 Image", "1 画像(&1)");
  AddCommand(image, cmd::kSplit4, "&4 Image", "4 画像(&4)");
  AddCommand(image, cmd::kSplit9, "&9 Image", "9 画像(&9)");
  AddCommand(image, cmd::kSplit16, "1&6 Image", "16 画像(&6)");

  QMenu* help = menuBar()->addMenu(UiText("&Help", "ヘルプ(&H)"));
  QAction* about = AddCommand(help, aboutCommandId_, "&About %1...", "バージョン情報(&A)...");
  if (about->text().contains(QLatin1String("%1")))
    about->setText(about->text().arg(CSelvoViewerApp::ProductTitle(variant_)));

  // The new-document accelerator has nothing to do in a one-recording viewer.
  auto* fileNew = new QAction(this);
  fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  connect(fileNew, &QAction::triggered, this, [this] { FireCommand(cmd::kFileNew); });
  addAction(fileNew);

  for (QMenu* menu : {file, view, position, image, help})
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::CreateToolBar() {
  toolBar_ = addToolBar(UiText("Toolbar", "ツール バー"));
  toolBar_->setObjectName("toolBar");
  toolBar_->setIconSize(QSize(24, 24));
  auto addButton = [this](int id) {
    QAction* action = actions_.at(id);
    action->setIcon(ToolbarIcon(id));
    toolBar_->addAction(action);
  };
  addButton(cmd::kFileOpen);
  addButton(cmd::kFileSaveImage);
  addButton(cmd::kFilePrint);
  toolBar_->addSeparator();
  for (int id : {cmd::kSplit1, cmd::kSplit4, cmd::kSplit9, cmd::kSplit16}) addButton(id);
  toolBar_->addSeparator();
  addButton(aboutCommandId_);
}

void CMainFrame::CreateStatusBar() {
  idleText_ = new QLabel(QString::fromStdString(LoadString(57345)), this);
  statusBar()->addWidget(idleText_, 1);
}

void CMainFrame::CreateClient() {
  auto* rows = new FixedSplitter(this);
  auto* view = new CSelvoViewerView(doc_, rows);
  doc_.AttachImageView(view);
  connect(view, &CSelvoViewerView::paneLayoutChanged, this, &CMainFrame::UpdateCommandStates);
  imageView_ = view;
  imageView_->setObjectName("imageView");
  imageView_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // The control panel keeps its height whatever the window does.
  auto* panel = new CSelvoFormView(doc_, rows);
  panelStrip_ = panel;
  rows->addWidget(imageView_);
  rows->addWidget(panelStrip_);
  rows->SetFixedRowHeight(1, CSelvoFormView::kPanelHeight);
  setCentralWidget(rows);
  view->OnInitialUpdate();
  panel->OnInitialUpdate();
  panel->InstallShortcuts();
  doc_.AttachPlaybackControls(panel);
}

// ------------------------------------------------------------------ commands

QAction* CMainFrame::ActionFor(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

CommandState CMainFrame::QueryCommand(int id) const {
  CommandState state;
  switch (id) {
    case cmd::kAppExit:
      state.enabled = closeDisabled_ == 0;
      return state;
    case cmd::kViewToolbar:
      state.checkable = true;
      state.checked = !toolBar_->isHidden();
      return state;
    case cmd::kViewStatusBar:
      state.checkable = true;
      state.checked = !statusBar()->isHidden();
      return state;
    case cmd::kFileExportVideo:
      // One export at a time, of a recording folder.
      state.enabled = videoExport_.isNull() && !VideoExportJob::RequestFor(doc_).folder.empty();
      return state;
    default:
      break;
  }
  // Items without a rule of their own stay enabled.
  doc_.UpdateCommand(id, state);
  return state;
}

void CMainFrame::UpdateCommandStates() {
  for (const auto& [id, action] : actions_) {
    const CommandState state = QueryCommand(id);
    action->setEnabled(state.enabled);
    action->setCheckable(state.checkable);
    if (state.checkable) action->setChecked(state.checked);
  }
}

void CMainFrame::FireCommand(int id) {
  if (!QueryCommand(id).enabled) {
    UpdateCommandStates();
    return;
  }
  if (!OnFrameCommand(id)) doc_.OnCommand(id);
  UpdateCommandStates();
}

bool CMainFrame::OnFrameCommand(int id) {
  switch (id) {
    case cmd::kFileNew:
      return true;
    case cmd::kTitleInput:
      OnTitleInput();
      return true;
    case cmd::kFileExportVideo:
      OnExportVideo();
      return true;
    case cmd::kDateFormat:
      OnDateDisplayFormat();
      return true;
    case cmd::kAppAbout:
    case cmd::kAppAboutVariant:
      OnAbout();
      return true;
    case cmd::kAppExit:
      close();
      return true;
    case cmd::kViewToolbar:
      toolBar_->setVisible(toolBar_->isHidden());
      return true;
    case cmd::kViewStatusBar:
      statusBar()->setVisible(statusBar()->isHidden());
      return true;
    default:
      return false;
  }
}

void CMainFrame::OnTitleInput() {
  TitleInputDialog dialog(profile_, this);
  dialog.title = QString::fromStdString(doc_.GetPrintTitle());
  if (dialog.exec() == QDialog::Accepted) doc_.SetPrintTitle(dialog.title.toStdString());
}

void CMainFrame::OnExportVideo() {
  const auto* view = static_cast<CSelvoViewerView*>(imageView_);
  videoExport_ = VideoExportDialog::Start(doc_, view->OverlayStyle(1.0), this);
  if (videoExport_) connect(videoExport_, &QObject::destroyed, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::OnDateDisplayFormat() {
  DateFormatDialog dialog(this);
  dialog.formatIndex = doc_.GetDateFormat();
  dialog.delimiterIndex = doc_.GetDateDelimiter();
  if (dialog.exec() != QDialog::Accepted) return;
  doc_.SetDateDisplay(dialog.formatIndex, dialog.delimiterIndex);
}

void CMainFrame::OnAbout() {
  AboutDialog dialog(variant_, this);
  dialog.exec();
}

// ------------------------------------------------------------ window states

void CMainFrame::RedrawImageView(bool erase) {
  if (ImageViewLink* view = doc_.ImageView()) view->RedrawImageView(erase);
}

void CMainFrame::DisableClose() {
  if (closeDisabled_) return;
  closeDisabled_ = 1;
  UpdateCommandStates();
}

void CMainFrame::EnableClose() {
  closeDisabled_ = 0;
  UpdateCommandStates();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (closeDisabled_) {
    event->ignore();
    return;
  }
  // Let a running play loop see its stop request before the window goes.
  doc_.RequestPlaybackStop();
  QCoreApplication::processEvents();
  event->accept();
}

}  // namespace selvo
