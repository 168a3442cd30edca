#include "view/PaneRenderer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>

#include "source/StatusVerdict.h"
#include "source/text/TimeText.h"

namespace selvo {

namespace {

QRect ToQRect(const PixelRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

struct CachedFont {
  QFont font;
  QFontMetrics metrics;
};

// Building a QFont and its metrics resolves the face anew each time; a
// playing view asks for the same few fonts fifty times a second.
const CachedFont& FontFor(const QString& face, int pixelHeight, bool bold, bool preferQuality) {
  thread_local QHash<QString, std::shared_ptr<CachedFont>> cache;
  const QString key = QStringLiteral("%1|%2|%3|%4").arg(face).arg(pixelHeight).arg(bold).arg(preferQuality);
  auto found = cache.constFind(key);
  if (found != cache.constEnd()) return **found;
  if (cache.size() > 64) cache.clear();  // a window resized through many heights
  QFont font(face);
  font.setPixelSize(pixelHeight);
  if (bold) font.setWeight(QFont::Bold);
  if (preferQuality) font.setStyleStrategy(QFont::PreferQuality);
  auto entry = std::make_shared<CachedFont>(CachedFont{font, QFontMetrics(font)});
  return *cache.insert(key, std::move(entry)).value();
}

const CachedFont& OverlayFont(const QString& face, int pixelHeight) { return FontFor(face, pixelHeight, true, true); }

void StretchPicture(QImage& buffer, const PaneDrawRequest& request, const PixelBox& box) {
  if (box.w <= 0 || box.h <= 0) return;
  if (request.stretch != nullptr && request.halftone) {
    request.stretch->Draw(*request.image, TopCutRows(request.image->Height()), buffer, box);
    return;
  }
  const QImage rows = PictureRows(*request.image, TopCutRows(request.image->Height()));
  if (rows.isNull()) return;
  const QImage stretched = rows.scaled(box.w, box.h, Qt::IgnoreAspectRatio,
                                       request.halftone ? Qt::SmoothTransformation : Qt::FastTransformation);
  QPainter painter(&buffer);
  painter.drawImage(box.x, box.y, stretched);
}

// Every term is an integer product divided by 100, truncated.
int Percent(int value, int percent) { return value * percent / 100; }

void DrawAlterationBox(QPainter& painter, const QRect& box, const QString& text) {
  painter.fillRect(box, QColor(255, 0, 0));
  QPen pen(QColor(255, 255, 0));
  pen.setWidth(2);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  // The 2-pixel frame lies inside the box, as a framed rectangle does.
  painter.drawRect(QRectF(box.left() + 1.0, box.top() + 1.0, box.width() - 2.0, box.height() - 2.0));
  painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void DrawInvalidImageText(QImage& buffer, const PixelRect& r) {
  QPainter painter(&buffer);
  painter.setFont(FontFor(QStringLiteral("Arial"), 20, false, true).font);
  painter.setPen(Qt::black);
  painter.drawText(ToQRect(r), Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("invalid image"));
}

void FillBlack(QImage& buffer, const PixelBox& box) {
  QPainter painter(&buffer);
  painter.fillRect(QRect(box.x, box.y, box.w, box.h), Qt::black);
}

void DrawTimeText(QImage& buffer, const PaneDrawRequest& request, const PaneOverlayStyle& style,
                  const PixelBox& box, const TextMetrics& m) {
  const QString text = TimeTextFor(request, style);
  if (text.isEmpty() || m.fontHeight <= 0) return;
  const CachedFont& cached = OverlayFont(style.timeFace, m.fontHeight);
  const QFont& font = cached.font;
  const QFontMetrics& fm = cached.metrics;
  const int tw = fm.horizontalAdvance(text);
  const int th = fm.height();
  int x = 0;
  int y = 0;
  TimeTextOrigin(style.timePosition, box.w, box.h, tw, th, m, x, y);
  const PixelRect r{box.x + x, box.y + y, box.x + x + tw, box.y + y + th};
  // A text that would touch the target's left or top edge or overflow the
  // pane is left out rather than clipped.
  if (r.left <= 0 || r.top <= 0 || r.right <= 0 || r.bottom <= 0) return;
  if (tw > request.rect.Width()) return;
  ShadeRect(buffer, r);
  QPainter painter(&buffer);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(ToQRect(r), Qt::AlignCenter | Qt::TextSingleLine, text);
}

void DrawPrintTitle(QImage& buffer, const PaneOverlayStyle& style, const PixelBox& box, const TextMetrics& m) {
  if (style.printTitle.isEmpty() || m.fontHeight <= 0) return;
  const CachedFont& cached = OverlayFont(style.printTitleFace, m.fontHeight);
  const QFont& font = cached.font;
  // On a fine printer a fixed band is lower than one line of the title's
  // font; never cut the title in half.
  const int band = std::max(style.printTitleBand, cached.metrics.height());
  QPainter painter(&buffer);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(box.x, box.y + box.h, box.w, band),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, style.printTitle);
}

}  // namespace

int TopCutRows(int imageHeight) { return (imageHeight == 248 || imageHeight == 296) ? 16 : 0; }

TextMetrics TextMetricsFor(int boxHeight) {
  TextMetrics m;
  m.fontHeight = (boxHeight < 0 ? -boxHeight : boxHeight) / 18;
  m.marginX = static_cast<int>(m.fontHeight * 0.5);
  m.marginY = static_cast<int>(m.fontHeight / 3.0);
  return m;
}

void TimeTextOrigin(int timePosition, int bw, int bh, int tw, int th, const TextMetrics& m, int& x, int& y) {
  const bool right = timePosition == 0 || timePosition == 1;
  const bool down = timePosition == 0 || timePosition == 3;
  // An unknown position keeps the text where the first one puts it.
  const bool known = timePosition >= 0 && timePosition <= 3;
  x = (right || !known) ? bw - tw - m.marginX : m.marginX;
  y = (down || !known) ? bh - th - m.marginY : m.marginY;
}

QString TimeTextFor(const PaneDrawRequest& request, const PaneOverlayStyle& style) {
  if (request.time == 0 || !VerdictForStatus(request.status).HasValidTime()) return QString();
  QString text;
  if (style.cameraTitleShown) text = request.title + QStringLiteral("  ");
  text += QString::fromStdString(FormatImageTime(request.time, style.dateFormat, style.dateDelimiter));
  return text;
}

QImage PictureRows(const DibBlock& image, int topCut) {
  const int width = image.Width();
  const int rows = image.Height() - topCut;
  if (width <= 0 || rows <= 0) return QImage();
  const bool fourBytes = image.BytesPerPixel() == 4;
  QImage out(width, rows, fourBytes ? QImage::Format_RGB32 : QImage::Format_BGR888);
  if (out.isNull()) return out;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (fourBytes ? 4 : 3);
  for (int y = 0; y < rows; ++y) {
    uchar* dst = out.scanLine(y);
    std::memcpy(dst, image.RowFromTop(y + topCut), rowBytes);
    if (fourBytes) {
      // RGB32 wants an opaque fourth byte; the decoder leaves it undefined.
      for (int x = 0; x < width; ++x) dst[4 * x + 3] = 0xFF;
    }
  }
  return out;
}

void ShadeRect(QImage& buffer, const PixelRect& r) {
  const int left = std::max(r.left, 0);
  const int top = std::max(r.top, 0);
  const int right = std::min(r.right, buffer.width());
  const int bottom = std::min(r.bottom, buffer.height());
  if (left >= right || top >= bottom) return;
  const int bytesPerPixel = buffer.depth() / 8;
  const int colourBytes = 3;
  for (int y = top; y < bottom; ++y) {
    uchar* row = buffer.scanLine(y);
    for (int x = left; x < right; ++x) {
      uchar* px = row + x * bytesPerPixel;
      for (int c = 0; c < colourBytes; ++c) px[c] = static_cast<uchar>(px[c] * 0.9);
    }
  }
}

void DrawAlterationMarks(QImage& buffer, const PixelBox& box, int status, const PaneOverlayStyle& style) {
  if (!style.alterationMarks) return;
  const StatusVerdict verdict = VerdictForStatus(status);
  const bool imageAltered = verdict.ShowsImageAlteredBox();
  const bool timeAltered = verdict.ShowsTimeAlteredBox();
  if (!imageAltered && !timeAltered) return;

  QPainter painter(&buffer);
  painter.setFont(FontFor(QStringLiteral("Arial"), std::max(1, Percent(box.h, 8)), true, false).font);
  const int left = box.x + Percent(box.w, 25);
  const int right = box.x + Percent(box.w, 50) + Percent(box.w, 25);
  if (imageAltered) {
    const int top = box.y + Percent(box.h, 50);
    const int bottom = box.y + Percent(box.h, 50) + Percent(box.h, 10);
    DrawAlterationBox(painter, QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), QStringLiteral("IMAGE ALTERED"));
  }
  if (timeAltered) {
    const int top = box.y + Percent(box.h, 80);
    const int bottom = box.y + Percent(box.h, 80) + Percent(box.h, 10);
    DrawAlterationBox(painter, QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), QStringLiteral("TIME ALTERED"));
  }
}

void DrawPane(QImage& buffer, const PaneDrawRequest& request, const PaneOverlayStyle& style) {
  const PixelBox box = FitBox43(request.rect);
  const TextMetrics metrics = TextMetricsFor(box.h);
  const bool drawImage = (request.flags & kDrawImage) != 0 && request.image != nullptr;
  if (drawImage) {
    StretchPicture(buffer, request, box);
  } else if ((request.flags & kDrawBlackBox) != 0) {
    FillBlack(buffer, box);
  }
  if ((request.flags & kDrawTexts) != 0) {
    DrawTimeText(buffer, request, style, box, metrics);
    if (request.printing) DrawPrintTitle(buffer, style, box, metrics);
  }
  // A frame too damaged to decode is the one most in need of its marks.
  if ((request.flags & (kDrawImage | kDrawBlackBox)) != 0) DrawAlterationMarks(buffer, box, request.status, style);
}

QImage ComposeSinglePane(int width, int height, const QColor& background, PaneDrawRequest request,
                         const PaneOverlayStyle& style) {
  QImage buffer(width, height, QImage::Format_RGB32);
  if (buffer.isNull()) return buffer;
  buffer.fill(background);
  request.rect = {0, 0, width, height};
  DrawPane(buffer, request, style);
  return buffer;
}

void DrawInvalidImage(QImage& buffer, const PixelRect& r, const QColor& background, int status,
                      const PaneOverlayStyle& style) {
  {
    QPainter painter(&buffer);
    painter.fillRect(ToQRect(r), background);
  }
  DrawAlterationMarks(buffer, FitBox43(r), status, style);
  // Last, so that the marks' boxes never hide why there is no picture.
  DrawInvalidImageText(buffer, r);
}

void DrawSunkenEdge(QImage& buffer, const PixelRect& r) {
  if (r.Width() < 4 || r.Height() < 4) return;
  QPainter painter(&buffer);
  const auto frame = [&painter](int l, int t, int rr, int b, const QColor& topLeft, const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(l, t, rr - 1, t);
    painter.drawLine(l, t, l, b - 1);
    painter.setPen(bottomRight);
    painter.drawLine(l, b - 1, rr - 1, b - 1);
    painter.drawLine(rr - 1, t, rr - 1, b - 1);
  };
  frame(r.left, r.top, r.right, r.bottom, QColor(160, 160, 160), Qt::white);
  frame(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, QColor(105, 105, 105), QColor(227, 227, 227));
}

}  // namespace selvo
