#pragma once
// Shows a slider's value in a tooltip beside its thumb while the thumb is
// dragged, so the user sees where a release will land (the image number,
// the speed, the volume). Owned by the slider it watches.
#include <QObject>
#include <QString>

#include <functional>

class QSlider;

namespace selvo {

class SliderDragTip : public QObject {
  Q_OBJECT

 public:
  using TextFor = std::function<QString(int value)>;
  SliderDragTip(QSlider* slider, TextFor text);

 private:
  void Show(int value);

  QSlider* slider_;
  TextFor text_;
};

}  // namespace selvo
