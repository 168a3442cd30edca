#include "view/TipSlider.h"

#include "source/text/StringTable.h"

namespace selvo {

TipSlider::TipSlider(int controlId, QWidget* parent) : QSlider(Qt::Horizontal, parent), controlId_(controlId) {
  setToolTip(QString::fromStdString(LoadString(controlId)));
}

}  // namespace selvo
