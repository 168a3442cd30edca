#include "app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/AboutDialog.h"
#include "app/CSelvoViewerApp.h"
#include "app/CheckReportRun.h"
#include "app/DateFormatDialog.h"
#include "app/TitleInputDialog.h"
#include "app/ToolbarIcons.h"
#include "app/VideoExportDialog.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/ImageViewLink.h"
#include "panel/CSelvoFormView.h"
#include "panel/EnhanceDialog.h"
#include "panel/VerificationSummaryDialog.h"
#include "source/InfoIndex.h"
#include "source/text/StringTable.h"
#include "source/text/UiText.h"
#include "view/CSelvoViewerView.h"
#include "view/FixedSplitter.h"


namespace selvo {

namespace {

// Rows of the background check's status and commands.
constexpr int kVerifyingStatus = 64600;         // %1 of %2 examined, %3 problems
constexpr int kVerifiedCleanStatus = 64601;     // %1 images
constexpr int kVerifiedProblemsStatus = 64602;  // %1 images, %2 problems
constexpr int kVerificationMarksPrompt = 64603;
constexpr int kNextProblemPrompt = 64604;
constexpr int kPreviousProblemPrompt = 64605;
constexpr int kVerificationSummaryPrompt = 64606;
constexpr int kNoFurtherProblemStatus = 64720;
constexpr int kNoEarlierProblemStatus = 64721;
// A status-bar notice stays long enough to be read, then the idle text
// comes back.
constexpr int kStatusNoticeMs = 5000;

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
  RestoreExamineSettings();
  resize(kInitialWidth, kInitialHeight);
  reportWriter_ = [this](const QString& pdfPath, QString& reason) {
    return CheckReportRun().Write(QString::fromStdString(doc_.LastOpenFolder()), pdfPath, reason);
  };
  setMinimumSize(kMinWidth, kMinHeight);
  RestoreWindowGeometry();
  setAcceptDrops(true);
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
  AddExamineCommands(view);
  AddVerificationCommands(view);

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

// The background check's commands, with prompts from rows of their own: the
// recorder viewer's string table has none for them.
void CMainFrame::AddVerificationCommands(QMenu* view) {
  view->addSeparator();
  const auto add = [&](int id, const char* english, const char* japanese, int promptRow) {
    QAction* action = AddCommand(view, id, english, japanese);
    ApplyPrompts(action, promptRow);
    return action;
  };
  add(cmd::kVerificationMarks, "Verification &Marks", "検証マーク(&M)", kVerificationMarksPrompt);
  add(cmd::kNextProblem, "&Next Problem", "次の問題(&N)", kNextProblemPrompt)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right));
  add(cmd::kPreviousProblem, "P&revious Problem", "前の問題(&R)", kPreviousProblemPrompt)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left));
  add(cmd::kVerificationSummary, "Verification S&ummary...", "検証結果一覧(&U)...", kVerificationSummaryPrompt);
}

// At the last problem the step says so, rather than leave the investigator
// wondering whether the command was heard.
void CMainFrame::OnProblemStep(bool next) {
  const bool moved = next ? doc_.GoToNextProblem() : doc_.GoToPreviousProblem();
  if (moved) {
    statusBar()->clearMessage();
    return;
  }
  const int row = next ? kNoFurtherProblemStatus : kNoEarlierProblemStatus;
  statusBar()->showMessage(QString::fromStdString(LoadString(row)), kStatusNoticeMs);
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
  zoomText_ = new QLabel(this);
  zoomText_->setObjectName("zoomText");
  statusBar()->addPermanentWidget(zoomText_);
  verificationText_ = new QLabel(this);
  verificationText_->setObjectName("verificationStatus");
  statusBar()->addPermanentWidget(verificationText_);
  connect(&doc_, &CSelvoViewerDoc::verificationChanged, this, &CMainFrame::ShowVerificationProgress);
  notesText_ = new QLabel(this);
  notesText_->setObjectName("recordingNotes");
  statusBar()->addPermanentWidget(notesText_);
  connect(&doc_, &CSelvoViewerDoc::recordingChanged, this, &CMainFrame::ShowRecordingNotes);
}

// A sound track or index that could not be read stays named for as long as
// the recording is open, not for a moment.
void CMainFrame::ShowRecordingNotes() {
  QStringList notes;
  for (const std::string& note : doc_.RecordingNotes()) notes << QString::fromStdString(note);
  notesText_->setText(notes.join(QStringLiteral(" | ")));
  notesText_->setToolTip(notes.join(QLatin1Char('\n')));
}

void CMainFrame::ShowVerificationProgress() {
  const int total = doc_.VerificationTotal();
  const int problems = doc_.VerificationProblemCount();
  QString text;
  if (total == 0) {
    text.clear();
  } else if (!doc_.IsVerified()) {
    text = QString::fromStdString(LoadString(kVerifyingStatus)).arg(doc_.VerificationDone()).arg(total).arg(problems);
  } else if (problems == 0) {
    text = QString::fromStdString(LoadString(kVerifiedCleanStatus)).arg(total);
  } else {
    text = QString::fromStdString(LoadString(kVerifiedProblemsStatus)).arg(total).arg(problems);
  }
  verificationText_->setText(text);
}

void CMainFrame::CreateClient() {
  auto* rows = new FixedSplitter(this);
  auto* view = new CSelvoViewerView(doc_, rows);
  doc_.AttachImageView(view);
  connect(view, &CSelvoViewerView::paneLayoutChanged, this, &CMainFrame::UpdateCommandStates);
  connect(view, &CSelvoViewerView::zoomChanged, zoomText_, &QLabel::setText);
  view_ = view;
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
  if (QueryExamineCommand(id, state)) return state;
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
    case cmd::kVerificationSummary:
      OnVerificationSummary();
      return true;
    case cmd::kNextProblem:
    case cmd::kPreviousProblem:
      OnProblemStep(id == cmd::kNextProblem);
      return true;
    default:
      return OnExamineCommand(id);
  }
}

// ------------------------------------------------------ examining a picture

namespace {

const char* const kSmoothScalingKey = "Examine/SmoothScaling";
const char* const kLockCamerasKey = "Examine/LockCamerasToTime";

}  // namespace

void CMainFrame::AddExamineCommands(QMenu* view) {
  view->addSeparator();
  AddCommand(view, cmd::kZoomIn, "&Zoom In", "拡大(&Z)")
      ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
  AddCommand(view, cmd::kZoomOut, "Zoom &Out", "縮小(&O)")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  AddCommand(view, cmd::kZoomFit, "&Fit to Pane", "全体表示(&F)")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  AddCommand(view, cmd::kZoomActualPixels, "&Actual Pixels", "等倍表示(&A)")
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
  AddCommand(view, cmd::kSmoothScaling, "S&mooth Scaling", "滑らかに拡大(&M)");
  AddCommand(view, cmd::kEnhance, "&Enhance...", "画質調整(&E)...");
  AddCommand(view, cmd::kLockCamerasToTime, "&Lock Cameras to Time", "カメラを時刻で揃える(&L)");
}

void CMainFrame::RestoreExamineSettings() {
  view_->SetSmoothScaling(profile_.value(kSmoothScalingKey, false).toBool());
  doc_.SetLockedToTime(profile_.value(kLockCamerasKey, false).toBool());
}

bool CMainFrame::QueryExamineCommand(int id, CommandState& state) const {
  switch (id) {
    case cmd::kZoomIn:
    case cmd::kZoomOut:
    case cmd::kZoomFit:
    case cmd::kZoomActualPixels:
      state.enabled = doc_.HasImage() || view_->IsSplit();
      return true;
    case cmd::kSmoothScaling:
      state.checkable = true;
      state.checked = view_->IsSmoothScaling();
      return true;
    case cmd::kEnhance:
      return true;
    default:
      return false;
  }
}

bool CMainFrame::OnExamineCommand(int id) {
  switch (id) {
    case cmd::kZoomIn:
      view_->ZoomIn();
      return true;
    case cmd::kZoomOut:
      view_->ZoomOut();
      return true;
    case cmd::kZoomFit:
      view_->ZoomFit();
      return true;
    case cmd::kZoomActualPixels:
      view_->ZoomActualPixels();
      return true;
    case cmd::kSmoothScaling:
      view_->SetSmoothScaling(!view_->IsSmoothScaling());
      profile_.setValue(kSmoothScalingKey, view_->IsSmoothScaling());
      return true;
    case cmd::kEnhance:
      if (enhanceDialog_ == nullptr) {
        enhanceDialog_ = new EnhanceDialog(this);
        enhanceDialog_->setObjectName("enhanceDialog");
        connect(enhanceDialog_, &EnhanceDialog::settingsChanged, view_, &CSelvoViewerView::SetEnhancement);
      }
      enhanceDialog_->SetSettings(view_->Enhancement());
      enhanceDialog_->show();
      enhanceDialog_->raise();
      return true;
    case cmd::kLockCamerasToTime:
      doc_.OnCommand(id);
      profile_.setValue(kLockCamerasKey, doc_.IsLockedToTime());
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
  // The camera of the pane the user picked, else of the image shown.
  const int paneChannel = view->GetPaneChannel(view->SelectedPane());
  const int channel = InfoIndex::IsCameraChannel(paneChannel) ? paneChannel : doc_.GetCurrentChannel();
  videoExport_ = VideoExportDialog::Start(doc_, view->OverlayStyle(1.0), channel + 1, this);
  if (videoExport_) connect(videoExport_, &QObject::destroyed, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::OnDateDisplayFormat() {
  DateFormatDialog dialog(this);
  dialog.formatIndex = doc_.GetDateFormat();
  dialog.delimiterIndex = doc_.GetDateDelimiter();
  if (dialog.exec() != QDialog::Accepted) return;
  doc_.SetDateDisplay(dialog.formatIndex, dialog.delimiterIndex);
}

void CMainFrame::OnVerificationSummary() {
  VerificationSummaryDialog dialog(doc_, dynamic_cast<CSelvoViewerView*>(doc_.ImageView()), reportWriter_, this);
  dialog.exec();
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
  doc_.SetWindowGeometry(saveGeometry().toStdString());
  event->accept();
}

void CMainFrame::RestoreWindowGeometry() {
  const std::string& geometry = doc_.WindowGeometry();
  const QByteArray bytes = QByteArray::fromStdString(geometry);
  // Qt takes cut-off bytes for zero sizes and shrinks the window to its
  // minimum; anything shorter than this Qt writes stays unused, and a window
  // whose bytes Qt refuses keeps its first size.
  if (bytes.size() < saveGeometry().size()) return;
  if (!restoreGeometry(bytes)) resize(kInitialWidth, kInitialHeight);
}

// ------------------------------------------------------------ drag and drop

std::string CMainFrame::AcceptableDropPath(const QMimeData* data) const {
  if (!data || !data->hasUrls() || !QueryCommand(cmd::kFileOpen).enabled) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile().toStdString();
  }
  return {};
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (AcceptableDropPath(event->mimeData()).empty())
    event->ignore();
  else
    event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptableDropPath(event->mimeData()).empty())
    event->ignore();
  else
    event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const std::string path = AcceptableDropPath(event->mimeData());
  if (path.empty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  // The open flow shows modal dialogs; the drag source is answered first.
  QTimer::singleShot(0, this, [this, path] {
    doc_.OpenDroppedPath(path);
    UpdateCommandStates();
  });
}

}  // namespace selvo
