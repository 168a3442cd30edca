#pragma once
// The main window's two-row splitter (image view above, control panel
// below): a flat gap in the button-face colour whose bar cannot be dragged;
// one row keeps a fixed height and the other takes the rest.
#include <QSplitter>

namespace selvo {

class FixedSplitter : public QSplitter {
  Q_OBJECT

 public:
  static constexpr int kBarHeight = 4;

  explicit FixedSplitter(QWidget* parent = nullptr);
  // The widget in `row` keeps `height` pixels whatever the splitter's size.
  void SetFixedRowHeight(int row, int height);

 protected:
  QSplitterHandle* createHandle() override;
};

}  // namespace selvo
