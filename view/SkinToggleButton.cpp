#include "view/SkinToggleButton.h"

namespace selvo {

SkinToggleButton::SkinToggleButton(int controlId, QWidget* parent) : SkinButton(controlId, parent) {}

bool SkinToggleButton::LoadSkin(int onId, int offId, int disabledOnId, int disabledOffId) {
  onId_ = onId;
  offId_ = offId;
  disabledOnId_ = disabledOnId;
  disabledOffId_ = disabledOffId;
  // The four pictures share one outline: the on picture shapes the widget.
  return SkinButton::LoadSkin(onId, 0, 0, 0);
}

int SkinToggleButton::BitmapIdFor(const ItemState& state) const {
  const bool onlyDisabled = state.disabled && !state.pressed && !state.focused;
  if (onlyDisabled) return isOn_ ? disabledOnId_ : disabledOffId_;
  return isOn_ ? onId_ : offId_;
}

void SkinToggleButton::SetOn(bool on) {
  isOn_ = on;
  update();
}

}  // namespace selvo
