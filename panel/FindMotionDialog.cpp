#include "panel/FindMotionDialog.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "source/text/UiText.h"
#include "view/render/PaneRenderer.h"

namespace selvo {

namespace {

constexpr int kThumbnailWidth = 96;
// Thumbnails are decoded on this thread: a long list shows the rest without.
constexpr int kThumbnailsAtMost = 60;

QString CameraName(int channel) {
  return channel >= 0 ? UiText("Camera %1", "カメラ %1").arg(channel + 1) : UiText("All images", "全画像");
}

}  // namespace

FindMotionDialog::FindMotionDialog(CSelvoViewerDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
  setWindowTitle(UiText("Find Motion", "動き検出"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* hint = new QLabel(UiText("Drag on a pane of the viewer to mark an area to search; Shift+drag marks an area "
                                 "to ignore. The search reads the camera of that pane.",
                                 "ビューアの画面上をドラッグして検出範囲を指定します。Shift+ドラッグで除外範囲を指定します。"
                                 "その画面のカメラが検索されます。"),
                          this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns, 1);
  auto* left = new QVBoxLayout;
  columns->addLayout(left, 3);
  areasTitle_ = new QLabel(this);
  left->addWidget(areasTitle_);
  areaList_ = new QListWidget(this);
  left->addWidget(areaList_, 1);
  auto* areaRow = new QHBoxLayout;
  remove_ = new QPushButton(UiText("Remove Area", "範囲を削除"), this);
  auto* clear = new QPushButton(UiText("Clear Areas", "範囲を消去"), this);
  areaRow->addWidget(remove_);
  areaRow->addWidget(clear);
  areaRow->addStretch(1);
  left->addLayout(areaRow);

  auto* settingsRow = new QHBoxLayout;
  settingsRow->addWidget(new QLabel(UiText("Sensitivity:", "感度:"), this));
  sensitivity_ = new QSlider(Qt::Horizontal, this);
  sensitivity_->setRange(MotionSettings::kLeastSensitive, MotionSettings::kMostSensitive);
  sensitivity_->setValue(MotionSettings::kDefaultSensitivity);
  sensitivity_->setPageStep(1);
  settingsRow->addWidget(sensitivity_, 1);
  sensitivityValue_ = new QLabel(this);
  settingsRow->addWidget(sensitivityValue_);
  left->addLayout(settingsRow);

  auto* runRow = new QHBoxLayout;
  start_ = new QPushButton(UiText("Start", "開始"), this);
  start_->setDefault(true);
  stop_ = new QPushButton(UiText("Stop", "停止"), this);
  progress_ = new QProgressBar(this);
  runRow->addWidget(start_);
  runRow->addWidget(stop_);
  runRow->addWidget(progress_, 1);
  left->addLayout(runRow);
  state_ = new QLabel(this);
  state_->setWordWrap(true);
  left->addWidget(state_);

  auto* right = new QVBoxLayout;
  columns->addLayout(right, 2);
  right->addWidget(new QLabel(UiText("Events (click to show):", "イベント (クリックで表示):"), this));
  eventList_ = new QListWidget(this);
  eventList_->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 3 / 4));
  eventList_->setMinimumWidth(300);
  right->addWidget(eventList_, 1);

  connect(clear, &QPushButton::clicked, this, [this] { doc_.Motion().ClearAreas(); });
  connect(remove_, &QPushButton::clicked, this, [this] { doc_.Motion().RemoveArea(areaList_->currentRow()); });
  connect(areaList_, &QListWidget::currentRowChanged, this, [this](int row) { remove_->setEnabled(row >= 0); });
  connect(&doc_.Motion(), &MotionSearches::areasChanged, this, &FindMotionDialog::FillAreaList);
  connect(sensitivity_, &QSlider::valueChanged, this, &FindMotionDialog::OnSensitivityMoved);
  connect(start_, &QPushButton::clicked, this, &FindMotionDialog::OnStart);
  connect(stop_, &QPushButton::clicked, this, [this] { doc_.Motion().Stop(); });
  connect(eventList_, &QListWidget::itemClicked, this, &FindMotionDialog::OnEventClicked);
  connect(&doc_.Motion(), &MotionSearches::progress, this, &FindMotionDialog::OnProgress);
  connect(&doc_.Motion(), &MotionSearches::changed, this, &FindMotionDialog::ShowState);
  // Another pane's camera, or another split, shows other results.
  connect(&doc_, &CSelvoViewerDoc::positionDisplayChanged, this, &FindMotionDialog::ShowState);
  sensitivityValue_->setText(QString::number(sensitivity_->value()));
  FillAreaList();
  FollowCurrentCamera();
  resize(760, 460);
}

void FindMotionDialog::FollowCurrentCamera() {
  doc_.Motion().FocusOnCurrentCamera();
  ShowState();
}

// Only while the window shows does a drag on a pane draw an area.
void FindMotionDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  doc_.Motion().SetDrawing(true);
}

void FindMotionDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  doc_.Motion().SetDrawing(false);
}

void FindMotionDialog::FillAreaList() {
  const MotionAreaDrawing& drawn = doc_.Motion().Drawing();
  const bool any = !drawn.areas.empty() || !drawn.ignores.empty();
  areasTitle_->setText(any ? UiText("Areas on %1:", "%1 の範囲:").arg(CameraName(drawn.camera))
                           : UiText("Areas: none drawn yet", "範囲: 未指定"));
  areaList_->clear();
  int number = 0;
  const auto add = [&](const MotionRect& area, bool ignore) {
    const QString kind = ignore ? UiText("ignore", "除外") : UiText("search", "検出");
    auto* item = new QListWidgetItem(QStringLiteral("%1  %2  %3, %4  %5 × %6")
                                         .arg(++number)
                                         .arg(kind)
                                         .arg(area.x)
                                         .arg(area.y)
                                         .arg(area.width)
                                         .arg(area.height),
                                     areaList_);
    if (ignore) item->setForeground(QColor(200, 30, 30));
  };
  for (const MotionRect& area : drawn.areas) add(area, false);
  for (const MotionRect& area : drawn.ignores) add(area, true);
  remove_->setEnabled(false);
  ShowState();
}

void FindMotionDialog::OnStart() {
  std::string why;
  progress_->setValue(0);
  if (!doc_.Motion().StartDrawn(sensitivity_->value(), why)) state_->setText(QString::fromStdString(why));
}

void FindMotionDialog::OnProgress(int done, int total) {
  progress_->setRange(0, total);
  progress_->setValue(done);
}

void FindMotionDialog::OnSensitivityMoved(int value) {
  sensitivityValue_->setText(QString::number(value));
  // A result of this camera is regrouped at once; otherwise the value waits for Start.
  doc_.Motion().SetSensitivity(value);
}

void FindMotionDialog::OnEventClicked(QListWidgetItem* item) {
  const int index = item->data(Qt::UserRole).toInt();
  if (index >= 0 && index < doc_.GetCount()) doc_.ShowImage(index);
}

void FindMotionDialog::ShowState() {
  const MotionSearches& motion = doc_.Motion();
  const bool running = motion.IsRunning();
  start_->setEnabled(!running && !motion.Drawing().areas.empty() && doc_.HasSource());
  stop_->setEnabled(running);
  const int camera = motion.FocusCamera();
  QString text;
  if (running) {
    text = UiText("Searching %1...", "%1 を検索中...").arg(CameraName(motion.RunningCamera()));
  } else if (const CameraMotion* result = motion.Current()) {
    const std::size_t events = motion.EventsInList().size();
    text = (events == 1 ? UiText("%1: %2 event in %3 images searched", "%1: %3 画像中 %2 件のイベント")
                        : UiText("%1: %2 events in %3 images searched", "%1: %3 画像中 %2 件のイベント"))
               .arg(CameraName(camera))
               .arg(events)
               .arg(result->result.searched);
    if (result->result.skipped > 0) {
      text += UiText("; %1 images could not be read", "、読めない画像 %1 枚").arg(result->result.skipped);
    }
    if (result->result.cancelled) text += UiText(" (stopped)", " (中止)");
    if (!result->result.areaProblem.empty()) text = QString::fromStdString(result->result.areaProblem);
    if (sensitivity_->value() != result->settings.sensitivity) {
      const QSignalBlocker block(sensitivity_);
      sensitivity_->setValue(result->settings.sensitivity);
      sensitivityValue_->setText(QString::number(result->settings.sensitivity));
    }
  } else {
    text = UiText("%1: not searched", "%1: 未検索").arg(CameraName(camera));
  }
  state_->setText(text);
  FillEventList();
}

void FindMotionDialog::FillEventList() {
  const MotionSearches& motion = doc_.Motion();
  std::vector<int> key{doc_.GetCount(), doc_.LockGeneration(), motion.FocusCamera(), motion.Generation()};
  if (key == listKey_) return;
  listKey_ = std::move(key);
  eventList_->clear();
  int thumbnails = 0;
  for (const MotionEventInList& event : motion.EventsInList()) {
    const QString text = UiText("%1\n%2 images, peak %3 %", "%1\n%2 画像、最大 %3 %")
                             .arg(QString::fromStdString(doc_.GetTimeTextAt(event.first)))
                             .arg(event.images)
                             .arg(std::lround(event.peak * 100));
    auto* item = new QListWidgetItem(text, eventList_);
    item->setData(Qt::UserRole, event.first);
    if (thumbnails++ < kThumbnailsAtMost) {
      if (DibPtr peak = doc_.DecodeImageAt(event.peakImage)) {
        item->setIcon(QPixmap::fromImage(PictureRows(*peak, 0).scaledToWidth(kThumbnailWidth, Qt::SmoothTransformation)));
      }
    }
  }
}

}  // namespace selvo
