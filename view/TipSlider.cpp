#include "source/text/UiText.h"
#include "view/TipSlider.h"


namespace selvo {

TipSlider::TipSlider(int controlId, QWidget* parent) : QSlider(Qt::Horizontal, parent), controlId_(controlId) {
  setToolTip(UiString(controlId));
}

}  // namespace selvo
