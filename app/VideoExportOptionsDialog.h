#pragma once
// What File > Export Video... exports, asked before the file: the camera
// (the current pane's unless chosen otherwise), all of its images or a
// stretch of them by the numbers the viewer gives them when that camera is
// chosen, and whether the sound goes along.
#include <QDialog>

#include "doc/VideoExportJob.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

namespace selvo {

class CSelvoViewerDoc;

class VideoExportOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // request: VideoExportJob::RequestFor's answer; defaultCamera 1..16 is
  // preselected when the recording has it.
  VideoExportOptionsDialog(const CSelvoViewerDoc& doc, VideoExportRequest request, int defaultCamera,
                           QWidget* parent = nullptr);

  // The request with the choices made; read after OK.
  VideoExportRequest Request() const;

  QComboBox* CameraList() const { return cameras_; }
  QRadioButton* AllImages() const { return all_; }
  QRadioButton* Stretch() const { return stretch_; }
  QSpinBox* FirstImage() const { return first_; }
  QSpinBox* LastImage() const { return last_; }
  QCheckBox* Sound() const { return sound_; }

  // What a request exports, for the note after it: "camera 2, images 3 to
  // 7, without sound".
  static QString Describe(const VideoExportRequest& request);

 private:
  void FillCameras(int defaultCamera);
  void FollowCamera();

  const CSelvoViewerDoc& doc_;
  VideoExportRequest request_;
  QComboBox* cameras_ = nullptr;
  QRadioButton* all_ = nullptr;
  QRadioButton* copyRange_ = nullptr;
  QRadioButton* stretch_ = nullptr;
  QSpinBox* first_ = nullptr;
  QSpinBox* last_ = nullptr;
  QCheckBox* sound_ = nullptr;
};

}  // namespace selvo
