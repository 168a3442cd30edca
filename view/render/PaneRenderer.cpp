#include "view/render/PaneRenderer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <QStaticText>

#include "source/StatusVerdict.h"
#include "source/text/TimeText.h"
#include "view/render/DevicePainter.h"
#include "view/render/WrappedText.h"
#include "view/render/ZoomOverview.h"

namespace selvo {

namespace {

QRect ToQRect(const PixelRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// Amber: the picture is not of the moment the others show.
const QColor kFarInTimeColour(255, 176, 0);

struct CachedFont {
  QFont font;
  QFontMetrics metrics;
  QString key;  // face, size and style, as FontFor knows the font
  QString face;
  int pixelHeight = 0;
  bool bold = false;
  bool preferQuality = false;
};

// Building a QFont and its metrics resolves the face anew each time; a
// playing view asks for the same few fonts fifty times a second. They are
// found by their parts: formatting a text key for every look cost more
// than the look.
const CachedFont& FontFor(const QString& face, int pixelHeight, bool bold, bool preferQuality) {
  thread_local std::vector<std::unique_ptr<CachedFont>> cache;
  for (const auto& entry : cache) {
    if (entry->pixelHeight == pixelHeight && entry->bold == bold && entry->preferQuality == preferQuality &&
        entry->face == face) {
      return *entry;
    }
  }
  if (cache.size() > 64) cache.clear();  // a window resized through many heights
  QFont font(face);
  font.setPixelSize(pixelHeight);
  if (bold) font.setWeight(QFont::Bold);
  if (preferQuality) font.setStyleStrategy(QFont::PreferQuality);
  const QString key = QStringLiteral("%1|%2|%3|%4").arg(face).arg(pixelHeight).arg(bold).arg(preferQuality);
  cache.push_back(std::make_unique<CachedFont>(
      CachedFont{font, QFontMetrics(font), key, face, pixelHeight, bold, preferQuality}));
  return *cache.back();
}

const CachedFont& OverlayFont(const QString& face, int pixelHeight) { return FontFor(face, pixelHeight, true, true); }

bool WholePicture(const QRectF& part) { return part == QRectF(0.0, 0.0, 1.0, 1.0); }

QRectF PartOf(const QImage& rows, const QRectF& part) {
  return QRectF(part.left() * rows.width(), part.top() * rows.height(), part.width() * rows.width(),
                part.height() * rows.height());
}

bool StretchesStraight(const PaneDrawRequest& request) {
  return request.stretch != nullptr && request.halftone && WholePicture(request.shownPart);
}

void StretchPicture(QImage& buffer, const PaneDrawRequest& request, const PixelBox& box) {
  if (box.w <= 0 || box.h <= 0) return;
  // A fitted picture is stretched bilinear straight from the decoder's rows;
  // a zoomed one, or one drawn with sharp pixels, goes through Qt's drawing
  // of the shown part.
  if (StretchesStraight(request)) {
    if (request.stretch->Draw(*request.image, TopCutRows(request.image->Height()), buffer, box)) return;
  }
  if (request.scratch != nullptr) {
    if (!OpaqueRowsInto(*request.image, TopCutRows(request.image->Height()), *request.scratch)) return;
    DevicePainter painter(&buffer);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, request.halftone);
    painter.drawImage(QRectF(box.x, box.y, box.w, box.h), *request.scratch, PartOf(*request.scratch, request.shownPart));
    return;
  }
  QImage rows = PictureRows(*request.image, TopCutRows(request.image->Height()));
  if (rows.isNull()) return;
  // A saved or printed zoomed view keeps whole picture pixels of its part.
  if (!WholePicture(request.shownPart)) rows = rows.copy(PartOf(rows, request.shownPart).toAlignedRect());
  if (rows.isNull()) return;
  const QImage stretched = rows.scaled(box.w, box.h, Qt::IgnoreAspectRatio,
                                       request.halftone ? Qt::SmoothTransformation : Qt::FastTransformation);
  DevicePainter painter(&buffer);
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
  DevicePainter painter(&buffer);
  painter.setFont(FontFor(QStringLiteral("Arial"), 20, false, true).font);
  painter.setPen(Qt::black);
  painter.drawText(ToQRect(r), Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("invalid image"));
}

void FillBlack(QImage& buffer, const PixelBox& box) { FillPixels(buffer, QRect(box.x, box.y, box.w, box.h), Qt::black); }

struct LaidOutText {
  QStaticText text;
  int width = 0;
};

// A pane's time text changes once a second or so while its pictures change
// fifty times: shaping it anew for every picture cost twice the drawing of
// its glyphs. Its layout is kept, for as many panes as a split shows.
const LaidOutText& TimeTextLayout(const QString& text, const CachedFont& font) {
  thread_local QHash<QString, LaidOutText> cache;
  const QString key = font.key + QLatin1Char('\n') + text;
  auto found = cache.constFind(key);
  if (found != cache.constEnd()) return *found;
  if (cache.size() > 64) cache.clear();
  LaidOutText laidOut;
  laidOut.text.setText(text);
  laidOut.text.setTextFormat(Qt::PlainText);
  laidOut.text.prepare(QTransform(), font.font);
  laidOut.width = font.metrics.horizontalAdvance(text);
  return *cache.insert(key, std::move(laidOut));
}

void DrawTimeText(QImage& buffer, const PaneDrawRequest& request, const PaneOverlayStyle& style,
                  const PixelBox& box, const TextMetrics& m) {
  const QString text = TimeTextFor(request, style);
  if (text.isEmpty() || m.fontHeight <= 0) return;
  const CachedFont& cached = OverlayFont(style.timeFace, m.fontHeight);
  const LaidOutText& laidOut = TimeTextLayout(text, cached);
  const int tw = laidOut.width;
  const int th = cached.metrics.height();
  int x = 0;
  int y = 0;
  TimeTextOrigin(style.timePosition, box.w, box.h, tw, th, m, x, y);
  const PixelRect r{box.x + x, box.y + y, box.x + x + tw, box.y + y + th};
  // A text that would touch the target's left or top edge or overflow the
  // pane is left out rather than clipped.
  if (r.left <= 0 || r.top <= 0 || r.right <= 0 || r.bottom <= 0) return;
  if (tw > request.rect.Width()) return;
  ShadeRect(buffer, r);
  DevicePainter painter(&buffer);
  painter.setPen(request.farInTime ? kFarInTimeColour : QColor(Qt::white));
  // Centred in its box as a centred single line is: the box is the width
  // rounded, the line its own.
  painter.setFont(cached.font);
  painter.drawStaticText(QPointF(r.left + (tw - laidOut.text.size().width()) / 2, r.top), laidOut.text);
}

void DrawPrintTitle(QImage& buffer, const PaneOverlayStyle& style, const PixelBox& box, const TextMetrics& m,
                    const QString& note) {
  if ((style.printTitle.isEmpty() && note.isEmpty()) || m.fontHeight <= 0) return;
  const QFont& font = OverlayFont(style.printTitleFace, m.fontHeight).font;
  DevicePainter painter(&buffer);
  painter.setPen(Qt::black);
  // A title wider than the picture goes on more lines, never cut; an
  // enhanced page says so on the line under the title.
  DrawWrappedText(painter, style.printTitle, font, QRect(box.x, box.y + box.h, box.w, style.printTitleBand),
                  Qt::AlignHCenter);
  const int top = box.y + box.h + WrappedTextHeight(style.printTitle, font, box.w);
  DrawWrappedText(painter, note, font, QRect(box.x, top, box.w, style.printTitleBand), Qt::AlignHCenter);
}

// The note's font: the time text's height for the picture, never too small
// to read; a narrow picture gets the note on several lines.
const CachedFont& NoteFont(int pictureHeight) {
  return OverlayFont(QStringLiteral("Arial"), std::max(10, TextMetricsFor(pictureHeight).fontHeight));
}

constexpr int kNoteFlags = Qt::AlignCenter | Qt::TextWordWrap;

int NoteBandHeight(const QString& note, int width, int pictureHeight) {
  if (note.isEmpty()) return 0;
  const QFontMetrics& fm = NoteFont(pictureHeight).metrics;
  return fm.boundingRect(QRect(0, 0, std::max(1, width), 1 << 16), kNoteFlags, note).height() + fm.height() / 2;
}

void DrawNoteBand(QImage& buffer, const PixelRect& band, int pictureHeight, const QString& note) {
  DevicePainter painter(&buffer);
  painter.setFont(NoteFont(pictureHeight).font);
  painter.setPen(Qt::black);
  painter.drawText(ToQRect(band), kNoteFlags, note);
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

bool OpaqueRowsInto(const DibBlock& image, int topCut, QImage& out) {
  const int width = image.Width();
  const int rows = image.Height() - topCut;
  if (width <= 0 || rows <= 0) {
    out = QImage();
    return false;
  }
  if (out.width() != width || out.height() != rows || out.format() != QImage::Format_RGB32) {
    out = QImage();
    out = QImage(width, rows, QImage::Format_RGB32);
  }
  if (out.isNull()) return false;
  // Qt scales only 32-bit pixels on its fast path; three-byte pixels take a
  // generic one several times slower.
  const int bytesPerPixel = image.BytesPerPixel() == 4 ? 4 : 3;
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* src = image.RowFromTop(y + topCut);
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < width; ++x, src += bytesPerPixel) dst[x] = qRgb(src[2], src[1], src[0]);
  }
  return true;
}

void ShadeRect(QImage& buffer, const PixelRect& r) {
  const int left = std::max(r.left, 0);
  const int top = std::max(r.top, 0);
  const int right = std::min(r.right, buffer.width());
  const int bottom = std::min(r.bottom, buffer.height());
  if (left >= right || top >= bottom) return;
  // Each byte times 0.9, truncated, looked up: the multiply in floating
  // point cost as much as drawing the text it shades.
  static const std::array<uchar, 256> kShaded = [] {
    std::array<uchar, 256> table{};
    for (int v = 0; v < 256; ++v) table[static_cast<std::size_t>(v)] = static_cast<uchar>(v * 0.9);
    return table;
  }();
  const int bytesPerPixel = buffer.depth() / 8;
  const int colourBytes = 3;
  for (int y = top; y < bottom; ++y) {
    uchar* row = buffer.scanLine(y);
    for (int x = left; x < right; ++x) {
      uchar* px = row + x * bytesPerPixel;
      for (int c = 0; c < colourBytes; ++c) px[c] = kShaded[px[c]];
    }
  }
}

void DrawAlterationMarks(QImage& buffer, const PixelBox& box, int status, const PaneOverlayStyle& style) {
  if (!style.alterationMarks) return;
  const StatusVerdict verdict = VerdictForStatus(status);
  const bool imageAltered = verdict.ShowsImageAlteredBox();
  const bool timeAltered = verdict.ShowsTimeAlteredBox();
  if (!imageAltered && !timeAltered) return;

  DevicePainter painter(&buffer);
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
    if (request.enhance != nullptr) EnhanceRegion(buffer, QRect(box.x, box.y, box.w, box.h), *request.enhance);
    if (request.overview && request.scratch != nullptr && !WholePicture(request.shownPart))
      DrawZoomOverview(buffer, box, *request.scratch, request.shownPart, style.timePosition);
  } else if ((request.flags & kDrawBlackBox) != 0) {
    FillBlack(buffer, box);
  }
  if ((request.flags & kDrawTexts) != 0) {
    DrawTimeText(buffer, request, style, box, metrics);
    if (request.printing) DrawPrintTitle(buffer, style, box, metrics, EnhanceNote(request));
  }
  // A frame too damaged to decode is the one most in need of its marks.
  if ((request.flags & (kDrawImage | kDrawBlackBox)) != 0) DrawAlterationMarks(buffer, box, request.status, style);
}

bool PictureCoversItsBox(const PaneDrawRequest& request) {
  const DibBlock* image = request.image;
  // The straight stretch draws every pixel of the box whenever the picture
  // has rows below the cut; it refuses nothing else.
  return (request.flags & kDrawImage) != 0 && image != nullptr && StretchesStraight(request) && image->Width() > 0 &&
         image->Height() - TopCutRows(image->Height()) > 0;
}

void FillAround(QImage& buffer, const PixelRect& r, const PixelBox& box, const QColor& colour) {
  const QRect outer = ToQRect(r);
  const QRect inner = QRect(box.x, box.y, box.w, box.h).intersected(outer);
  if (inner.isEmpty()) {
    FillPixels(buffer, outer, colour);
    return;
  }
  FillPixels(buffer, QRect(outer.left(), outer.top(), outer.width(), inner.top() - outer.top()), colour);
  FillPixels(buffer, QRect(outer.left(), inner.bottom() + 1, outer.width(), outer.bottom() - inner.bottom()), colour);
  FillPixels(buffer, QRect(outer.left(), inner.top(), inner.left() - outer.left(), inner.height()), colour);
  FillPixels(buffer, QRect(inner.right() + 1, inner.top(), outer.right() - inner.right(), inner.height()), colour);
}

void FillPixels(QImage& buffer, const QRect& rect, const QColor& colour) {
  const QRect r = rect.intersected(buffer.rect());
  if (r.isEmpty()) return;
  // A painter costs more to open than the margins of a pane cost to fill.
  if (buffer.format() != QImage::Format_RGB32 || colour.alpha() != 255) {
    DevicePainter painter(&buffer);
    painter.fillRect(r, colour);
    return;
  }
  const QRgb pixel = colour.rgb();
  // One look at the pixels for the whole fill: scanLine checks for sharing
  // on every row, which cost more than filling a margin's few pixels.
  uchar* const pixels = buffer.bits();
  const qsizetype stride = buffer.bytesPerLine();
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(pixels + y * stride);
    std::fill(row + r.left(), row + r.left() + r.width(), pixel);
  }
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

QString EnhanceNote(const PaneDrawRequest& request) {
  if (request.enhance == nullptr) return QString();
  return QString::fromStdString(EnhanceDescription(*request.enhance));
}

QImage ComposeExportPicture(int width, const QColor& background, PaneDrawRequest request,
                            const PaneOverlayStyle& style) {
  const int height = static_cast<int>(width * 0.75);
  if (width <= 0 || height <= 0) return QImage();
  const QString note = EnhanceNote(request);
  const int band = NoteBandHeight(note, width, height);
  QImage buffer(width, height + band, QImage::Format_RGB32);
  if (buffer.isNull()) return buffer;
  buffer.fill(background);
  request.rect = {0, 0, width, height};
  DrawPane(buffer, request, style);
  if (band > 0) DrawNoteBand(buffer, {0, height, width, height + band}, height, note);
  return buffer;
}

void DrawInvalidImage(QImage& buffer, const PixelRect& r, const QColor& background, int status,
                      const PaneOverlayStyle& style) {
  {
    DevicePainter painter(&buffer);
    painter.fillRect(ToQRect(r), background);
  }
  DrawAlterationMarks(buffer, FitBox43(r), status, style);
  // Last, so that the marks' boxes never hide why there is no picture.
  DrawInvalidImageText(buffer, r);
}

void DrawSunkenEdge(QImage& buffer, const PixelRect& r) {
  if (r.Width() < 4 || r.Height() < 4) return;
  DevicePainter painter(&buffer);
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
