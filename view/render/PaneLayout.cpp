#include "view/render/PaneLayout.h"

namespace selvo {

PixelBox FitBox43(const PixelRect& r) {
  int w = r.Width();
  int h = static_cast<int>(w * 0.75);
  if (r.Height() < h) {
    h = r.Height();
    w = static_cast<int>(h * 1.3333333333333333);
  }
  PixelBox box;
  box.w = w;
  box.h = h;
  box.x = r.left + (r.right - w - r.left) / 2;
  box.y = r.top + (r.bottom - h - r.top) / 2;
  return box;
}

PaneGrid LayoutPanes(const PixelRect& client, int sideCount) {
  PaneGrid grid;
  if (sideCount < 1 || sideCount > kMaxSideCount) return grid;
  const PixelBox box = FitBox43(client);
  grid.layoutBox = {box.x, box.y, box.x + box.w, box.y + box.h};
  const int paneW = box.w / sideCount;
  const int paneH = box.h / sideCount;
  for (int row = 0; row < sideCount; ++row) {
    for (int col = 0; col < sideCount; ++col) {
      const int left = box.x + col * paneW;
      const int top = box.y + row * paneH;
      grid.panes[row * sideCount + col] = {left, top, left + paneW, top + paneH};
    }
  }
  grid.count = sideCount * sideCount;
  return grid;
}

int HitPane(const PaneGrid& grid, int x, int y) {
  for (int i = 0; i < grid.count; ++i) {
    if (grid.panes[i].Contains(x, y)) return i;
  }
  return -1;
}

}  // namespace selvo
