#pragma once
// The control panel's geometry as plain functions: the recorder viewer's
// form in dialog units, the rows its controls follow one another along by
// their measured sizes, and the raised edges of the strip and the tab. The
// panel measures its widgets (PanelMeasures) and places them where
// LayOutPanel says; nothing here touches a widget.
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <map>
#include <vector>

class QFont;

namespace selvo {

// A form rectangle in dialog units, as the recorder viewer's template has it.
struct FormRect {
  int x, y, w, h;
};

// Dialog-unit scale of the panel font: horizontal units are a quarter of the
// average character width, vertical ones an eighth of the character height.
// The form was laid out for an 80-pixel row at 96 dpi; a font with larger
// metrics would push the buttons out of that row, so the scale never grows
// beyond the one the form was made for.
struct DialogUnits {
  int baseX = 6;
  int baseY = 13;

  // alphabetWidth: the advance of "A..Za..z"; height: the font's height.
  static DialogUnits For(int alphabetWidth, int fontHeight);
  static DialogUnits For(const QFont& font);
  QPoint Point(int x, int y) const { return QPoint(x * baseX / 4, y * baseY / 8); }
  QRect Rect(const FormRect& r) const { return QRect(Point(r.x, r.y), QSize(r.w * baseX / 4, r.h * baseY / 8)); }
};

// What the panel measured of its controls.
struct PanelMeasures {
  DialogUnits units;
  std::map<int, QSize> pictures;  // skinned buttons that have a picture
  std::map<int, QSize> hints;     // speed label (by kSpeedSlider), check boxes, copy buttons
  int timeTextWidth = 0;          // widest date or clock of the time read-outs
  int channelTextWidth = 0;
  int imageNumberTextWidth = 0;
  int copyNumberTextWidth = 0;
  // The current-time read-out's height for a width (it wraps its text).
  std::function<int(int)> timeHeightForWidth;
};

struct PanelGeometry {
  std::map<int, QRect> controls;  // by form id; the speed label under kSpeedLabel
  int stripBottom = 0;            // bottom of the upper strip
  int tabRight = 0;               // right edge of the tab under the strip
  int height = 0;
  int requiredWidth = 0;          // every control whole
};

// Where the speed label goes in PanelGeometry::controls.
constexpr int kSpeedLabel = -1;

// disc: the copy controls in a row of their own in place of the sound group.
PanelGeometry LayOutPanel(const PanelMeasures& measures, bool disc);

// The last time's read-out at the right edge of a panel `width` wide, and the
// position slider up to it.
void AlignRight(int width, QRect& lastTime, QRect& slider);

// The raised edges around the strip and the tab: outer line light at
// top-left and darkest at bottom-right, inner line brightest at top-left and
// dark at bottom-right.
enum class EdgeShade { OuterLight, InnerLight, OuterDark, InnerDark };
struct EdgeLine {
  EdgeShade shade;
  QPoint from, to;
};
std::vector<EdgeLine> PanelEdges(int width, int height, int stripBottom, int tabRight);

}  // namespace selvo
