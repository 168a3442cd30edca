#include "panel/BookmarksDock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "doc/CSelvoViewerDoc.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {
constexpr int kIdRole = Qt::UserRole;
}

BookmarksDock::BookmarksDock(CSelvoViewerDoc& doc, QWidget* parent)
    : QDockWidget(UiText("Bookmarks", "ブックマーク"), parent), doc_(doc) {
  setObjectName("bookmarksDock");
  auto* body = new QWidget(this);
  warning_ = new QLabel(UiText("The recording differs from the one these bookmarks were made in: "
                               "a file was changed, added or removed.",
                               "ブックマークを付けた時と記録の内容が異なります(ファイルの変更・追加・削除)。"),
                        body);
  warning_->setWordWrap(true);
  warning_->setStyleSheet("QLabel { color: #b00000; }");
  list_ = new QTreeWidget(body);
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({UiText("Time", "時刻"), UiText("Camera", "カメラ"), UiText("No.", "番号"),
                          UiText("Note", "メモ")});
  list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  list_->header()->setStretchLastSection(true);
  list_->setMinimumHeight(90);
  remove_ = new QPushButton(UiText("&Remove", "削除(&R)"), body);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(remove_);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(warning_);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  setWidget(body);

  connect(&doc_.Case(), &CaseSession::bookmarksChanged, this, &BookmarksDock::Refill);
  connect(list_, &QTreeWidget::itemClicked, this, &BookmarksDock::OnClicked);
  connect(list_, &QTreeWidget::itemChanged, this, &BookmarksDock::OnNoteChanged);
  connect(remove_, &QPushButton::clicked, this, &BookmarksDock::RemoveSelected);
  Refill();
}

std::int64_t BookmarksDock::IdOf(const QTreeWidgetItem* item) {
  return item ? item->data(kTimeColumn, kIdRole).toLongLong() : 0;
}

void BookmarksDock::Refill() {
  filling_ = true;
  list_->clear();
  bool differs = false;
  for (const Bookmark& bookmark : doc_.Case().Bookmarks()) {
    auto* item = new QTreeWidgetItem(list_);
    const BookmarkPlace& place = bookmark.place;
    item->setText(kTimeColumn, QString::fromStdString(doc_.FormatImageTime(place.recordTime)));
    item->setText(kCameraColumn, place.camera > 0 ? QString::number(place.camera) : QStringLiteral("--"));
    item->setText(kNumberColumn, QString::number(place.number));
    item->setText(kNoteColumn, QString::fromStdString(bookmark.note));
    item->setData(kTimeColumn, kIdRole, QVariant::fromValue<qlonglong>(bookmark.id));
    item->setToolTip(kNoteColumn, UiText("%1, by %2 at %3 UTC", "%1、%2、%3 UTC")
                                      .arg(QString::fromStdString(place.file), QString::fromStdString(bookmark.author),
                                           QString::fromStdString(bookmark.created)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (bookmark.differs) {
      differs = true;
      for (int column = kTimeColumn; column <= kNoteColumn; ++column) item->setForeground(column, QColor(176, 0, 0));
    }
  }
  warning_->setVisible(differs);
  remove_->setEnabled(!doc_.Case().Bookmarks().empty());
  for (int column = kTimeColumn; column < kNoteColumn; ++column) list_->resizeColumnToContents(column);
  filling_ = false;
}

void BookmarksDock::OnClicked(QTreeWidgetItem* item) {
  if (!doc_.GoToBookmark(IdOf(item))) emit bookmarkNotShown();
}

// Only the note column is the user's to edit; the others are put back.
void BookmarksDock::OnNoteChanged(QTreeWidgetItem* item, int column) {
  if (filling_) return;
  if (column != kNoteColumn) {
    QMetaObject::invokeMethod(this, &BookmarksDock::Refill, Qt::QueuedConnection);
    return;
  }
  const std::int64_t id = IdOf(item);
  const std::string note = item->text(kNoteColumn).toStdString();
  // The list is rebuilt by the change: let the editor finish first.
  QMetaObject::invokeMethod(
      this, [this, id, note] { doc_.Case().EditNote(id, note); }, Qt::QueuedConnection);
}

void BookmarksDock::RemoveSelected() {
  const std::int64_t id = IdOf(list_->currentItem());
  if (id != 0) doc_.Case().RemoveBookmark(id);
}

}  // namespace selvo
