#pragma once
// The Bookmarks panel: the open recording's bookmarks with their time,
// camera, number and note. A click shows the image; a note is edited in
// place; Remove takes a bookmark away (the case file's log keeps both).
// Bookmarks made while the recording's folder held other content are
// listed under a warning that the recording differs.
#include <QDockWidget>

#include <cstdint>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace selvo {

class CSelvoViewerDoc;

class BookmarksDock : public QDockWidget {
  Q_OBJECT

 public:
  enum Column { kTimeColumn, kCameraColumn, kNumberColumn, kNoteColumn };

  explicit BookmarksDock(CSelvoViewerDoc& doc, QWidget* parent = nullptr);
  QTreeWidget* List() const { return list_; }
  QLabel* Warning() const { return warning_; }

 signals:
  // A bookmark's image is not among the images of the shown cameras.
  void bookmarkNotShown();

 private:
  void Refill();
  void OnClicked(QTreeWidgetItem* item);
  void OnNoteChanged(QTreeWidgetItem* item, int column);
  void RemoveSelected();
  static std::int64_t IdOf(const QTreeWidgetItem* item);

  CSelvoViewerDoc& doc_;
  QTreeWidget* list_ = nullptr;
  QLabel* warning_ = nullptr;
  QPushButton* remove_ = nullptr;
  bool filling_ = false;
};

}  // namespace selvo
