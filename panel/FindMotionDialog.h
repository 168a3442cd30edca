#pragma once
// View > Find Motion: a window beside the viewer, which stays usable while
// it is open. While it is shown the user drags the areas on a pane of the
// viewer itself (Shift: an area to ignore); the window lists them, picks the
// sensitivity and starts the search of that pane's camera; progress shows
// while the worker reads, and Stop ends it. The events of the camera shown
// are listed with their time, length and peak picture; a click shows the
// event's first image. Moving the sensitivity after a search regroups the
// events at once.
#include <QDialog>

#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QSlider;

namespace selvo {

class CSelvoViewerDoc;

class FindMotionDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FindMotionDialog(CSelvoViewerDoc& doc, QWidget* parent = nullptr);

  QListWidget* AreaList() const { return areaList_; }
  QListWidget* EventList() const { return eventList_; }
  QSlider* SensitivitySlider() const { return sensitivity_; }
  QPushButton* StartButton() const { return start_; }
  // Shows the current image's camera, as when the window opens.
  void FollowCurrentCamera();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OnStart();
  void OnProgress(int done, int total);
  void OnSensitivityMoved(int value);
  void OnEventClicked(QListWidgetItem* item);
  // The buttons, the state line and the list, from the document's results.
  void ShowState();
  void FillEventList();
  void FillAreaList();

  CSelvoViewerDoc& doc_;
  QLabel* areasTitle_ = nullptr;
  QListWidget* areaList_ = nullptr;
  QPushButton* remove_ = nullptr;
  QSlider* sensitivity_ = nullptr;
  QLabel* sensitivityValue_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* state_ = nullptr;
  QListWidget* eventList_ = nullptr;
  std::vector<int> listKey_;  // what the list was last filled for
};

}  // namespace selvo
