#pragma once
// A slider that shows a tooltip, the string-table text of its control id.
#include <QSlider>

namespace selvo {

class TipSlider : public QSlider {
  Q_OBJECT

 public:
  TipSlider(int controlId, QWidget* parent = nullptr);
  int ControlId() const { return controlId_; }

 private:
  int controlId_;
};

}  // namespace selvo
