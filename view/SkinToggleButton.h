#pragma once
// The on/off sound button: pictures for on, off, and both when disabled.
// Starts on; the state changes only through SetOn (the panel decides).
#include "view/SkinButton.h"

namespace selvo {

class SkinToggleButton : public SkinButton {
  Q_OBJECT

 public:
  SkinToggleButton(int controlId, QWidget* parent = nullptr);

  bool LoadSkin(int onId, int offId, int disabledOnId, int disabledOffId) override;
  // Disabled with no other state picks the disabled pictures; a disabled
  // button that is also pressed or focused shows the enabled ones.
  int BitmapIdFor(const ItemState& state) const override;

  void SetOn(bool on);
  bool IsOn() const { return isOn_; }

 private:
  int onId_ = 0;
  int offId_ = 0;
  int disabledOnId_ = 0;
  int disabledOffId_ = 0;
  bool isOn_ = true;
};

}  // namespace selvo
