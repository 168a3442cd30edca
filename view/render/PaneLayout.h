#pragma once
// Pane geometry of the image view. Everything is in device pixels and uses
// half-open rectangles (left, top inclusive; right, bottom exclusive) so that
// the truncating arithmetic of the layout rules reads the same as in the code.
#include <array>

namespace selvo {

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  // Shrunk by n pixels on every side.
  PixelRect Deflated(int n) const { return {left + n, top + n, right - n, bottom - n}; }
  bool operator==(const PixelRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct PixelBox {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const PixelBox& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

constexpr int kMaxSideCount = 4;
constexpr int kMaxPanes = kMaxSideCount * kMaxSideCount;

// The largest 4:3 box that fits r, centred in it. The picture's own size
// plays no part: every picture is stretched into such a box.
PixelBox FitBox43(const PixelRect& r);

struct PaneGrid {
  PixelRect layoutBox;
  std::array<PixelRect, kMaxPanes> panes{};  // row * sideCount + column
  int count = 0;
};

// Divides the 4:3 box of the client area into sideCount x sideCount panes of
// equal, truncated size; the leftover column and row stay background.
PaneGrid LayoutPanes(const PixelRect& client, int sideCount);

// Index of the first pane containing (x, y), or -1.
int HitPane(const PaneGrid& grid, int x, int y);

}  // namespace selvo
