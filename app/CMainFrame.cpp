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
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>

#include "app/AboutDialog.h"
#include "app/CSelvoViewerApp.h"
#include "app/DateFormatDialog.h"
#include "app/TitleInputDialog.h"
#include "app/ToolbarIcons.h"
#include "app/VideoExportDialog.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/ImageViewLink.h"
#include "doc/MotionSearches.h"
#include "panel/CSelvoFormView.h"
#include "panel/EnhanceDialog.h"
#include "panel/FindMotionDialog.h"
#include "panel/VerificationSummaryDialog.h"
#include "source/InfoIndex.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"
#include "view/CSelvoViewerView.h"
#include "view/FixedSplitter.h"


namespace selvo {

namespace {

// A status-bar notice stays long enough to be read, then the idle text
// comes back.
constexpr int kStatusNoticeMs = 5000;

// String-table rows of commands read "status prompt\ntooltip".
void ApplyPrompts(QAction* action, int id) {
  const QString text = UiString(id);
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
  CreateCaseControls();
  CreateMenuAdditions();
  RestoreExamineSettings();
  resize(kInitialWidth, kInitialHeight);
  reportWriter_ = [this](const QString& pdfPath, QString& reason) { return WriteCaseReport(pdfPath, reason); };
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

const FrameCommand* CMainFrame::FindCommand(int id) {
  if (id == cmd::kAppAboutVariant) id = cmd::kAppAbout;
  for (const FrameCommand& row : Commands()) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

QAction* CMainFrame::AddCommand(QMenu* menu, const FrameCommand& row) {
  const int id = row.id == cmd::kAppAbout ? aboutCommandId_ : row.id;
  auto* action = new QAction(UiText(row.english, row.japanese), this);
  action->setData(id);
  action->setShortcuts(QList<QKeySequence>(row.keys.begin(), row.keys.end()));
  // The item shows its keys; the window answers them, also while the item
  // is disabled, so that a disabled Play's Space never reaches a focused
  // button nor a disabled Next's Right the position slider.
  action->setShortcutContext(Qt::WidgetShortcut);
  for (const QKeySequence& key : row.keys) {
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(true);
    connect(shortcut, &QShortcut::activated, this, [this, id] { FireCommand(id); });
  }
  ApplyPrompts(action, id);
  if (row.promptRow != 0) ApplyPrompts(action, row.promptRow);
  connect(action, &QAction::triggered, this, [this, id] { FireCommand(id); });
  menu->addAction(action);
  actions_[id] = action;
  return action;
}

// The menus in table order; neighbouring exclusive rows share one group.
void CMainFrame::CreateMenus() {
  const bool japanese = CurrentUiLanguage() == UiLanguage::Japanese;
  std::map<FrameMenu, QMenu*> menus;
  const auto menuOf = [&](FrameMenu which) {
    if (QMenu* known = menus[which]) return known;
    const auto title = std::find_if(Menus().begin(), Menus().end(), [&](const auto& t) { return t.menu == which; });
    const QString text = UiText(title->english, title->japanese);
    QMenu* menu = title->parent == which ? menuBar()->addMenu(text) : menus.at(title->parent)->addMenu(text);
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    if (which == FrameMenu::Recent) {
      recentMenu_ = menu;
      recentMenu_->setObjectName("recentMenu");
      connect(menu, &QMenu::aboutToShow, this, &CMainFrame::RebuildRecentMenu);
    }
    return menus[which] = menu;
  };
  // The menu bar's own menus in their order; submenus where their first
  // item stands.
  for (const FrameMenuTitle& title : Menus()) {
    if (title.parent == title.menu) menuOf(title.menu);
  }
  QActionGroup* group = nullptr;
  for (const FrameCommand& row : Commands()) {
    QMenu* menu = menuOf(row.menu);
    if ((row.flags & kSeparatorBefore) || ((row.flags & kEnglishSeparatorBefore) && !japanese)) menu->addSeparator();
    QAction* action = AddCommand(menu, row);
    if (!(row.flags & kExclusive)) {
      group = nullptr;
      continue;
    }
    if (group == nullptr) {
      group = new QActionGroup(this);
      group->setExclusive(true);
    }
    group->addAction(action);
  }
  QAction* about = actions_.at(aboutCommandId_);
  if (about->text().contains(QLatin1String("%1")))
    about->setText(about->text().arg(CSelvoViewerApp::ProductTitle(variant_)));

  // The new-document accelerator has nothing to do in a one-recording viewer.
  auto* fileNew = new QAction(this);
  fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  addAction(fileNew);
}

// At the last problem the step says so, rather than leave the investigator
// wondering whether the command was heard.
void CMainFrame::OnProblemStep(bool next) {
  const bool moved = next ? doc_.GoToNextProblem() : doc_.GoToPreviousProblem();
  if (moved) {
    statusBar()->clearMessage();
    return;
  }
  const int row = next ? str::kNoFurtherProblemStatus : str::kNoEarlierProblemStatus;
  statusBar()->showMessage(UiString(row), kStatusNoticeMs);
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
  idleText_ = new QLabel(UiString(str::kIdleStatus), this);
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
    text = UiString(str::kVerifyingStatus).arg(doc_.VerificationDone()).arg(total).arg(problems);
  } else if (problems == 0) {
    text = UiString(str::kVerifiedCleanStatus).arg(total);
  } else {
    text = UiString(str::kVerifiedProblemsStatus).arg(total).arg(problems);
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
  connect(panel, &CSelvoFormView::enablingChanged, this, &CMainFrame::UpdateCommandStates);
  doc_.AttachPlaybackControls(panel);
}

// ------------------------------------------------------------------ commands

QAction* CMainFrame::ActionFor(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

CommandState CMainFrame::QueryCommand(int id) const {
  const FrameCommand* row = FindCommand(id);
  return row && row->state ? row->state(*this, id) : CommandState{};
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
  const FrameCommand* row = FindCommand(id);
  if (row && QueryCommand(id).enabled) row->run(*this, id);
  UpdateCommandStates();
}

// ------------------------------------------------------ examining a picture

namespace {

const char* const kSmoothScalingKey = "Examine/SmoothScaling";
const char* const kLockCamerasKey = "Examine/LockCamerasToTime";

}  // namespace

void CMainFrame::RestoreExamineSettings() {
  view_->SetSmoothScaling(profile_.value(kSmoothScalingKey, false).toBool());
  doc_.SetLockedToTime(profile_.value(kLockCamerasKey, false).toBool());
}

void CMainFrame::OnSmoothScaling() {
  view_->SetSmoothScaling(!view_->IsSmoothScaling());
  profile_.setValue(kSmoothScalingKey, view_->IsSmoothScaling());
}

void CMainFrame::OnEnhance() {
  if (enhanceDialog_ == nullptr) {
    enhanceDialog_ = new EnhanceDialog(this);
    enhanceDialog_->setObjectName("enhanceDialog");
    connect(enhanceDialog_, &EnhanceDialog::settingsChanged, view_, &CSelvoViewerView::SetEnhancement);
  }
  enhanceDialog_->SetSettings(view_->Enhancement());
  enhanceDialog_->show();
  enhanceDialog_->raise();
}

void CMainFrame::OnFindMotion() {
  if (findMotion_ == nullptr) {
    findMotion_ = new FindMotionDialog(doc_, this);
    findMotion_->setObjectName("findMotionDialog");
  }
  findMotion_->FollowCurrentCamera();
  findMotion_->show();
  findMotion_->raise();
}

void CMainFrame::OnMotionEventStep(bool next) {
  const bool moved = next ? doc_.Motion().GoToNextEvent() : doc_.Motion().GoToPreviousEvent();
  if (moved) {
    statusBar()->clearMessage();
    return;
  }
  statusBar()->showMessage(next ? UiText("No further event.", "これより後のイベントはありません。")
                                : UiText("No earlier event.", "これより前のイベントはありません。"),
                           kStatusNoticeMs);
}

void CMainFrame::OnLockCamerasToTime() {
  doc_.SetLockedToTime(!doc_.IsLockedToTime());
  profile_.setValue(kLockCamerasKey, doc_.IsLockedToTime());
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
  // The video carries no enhancement of the view: the log says none.
  if (videoExport_)
    connect(videoExport_, &VideoExportDialog::exported, this,
            [this](const QString& path) { doc_.Case().LogOutput(LogKind::kVideoExported, path.toStdString(), ""); });
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
