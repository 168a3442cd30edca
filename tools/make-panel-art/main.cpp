// Draws the control panel's button and icon pictures into a folder as
// <resource number>.png: four states per button (up, down, focus, disabled)
// and one picture per icon label. Everything outside a button's outline is
// magenta, the colour the panel treats as transparent, so the outline itself
// is drawn without antialiasing (a blended edge would not be magenta).
//
// Beside each, <resource number>@2x.png is the same picture drawn at twice
// the size for screens of two device pixels per pixel: smooth edges on
// transparent pixels instead of magenta, and never outside the outline of
// the first picture, which stays the button's shape for clicks.
//
//   make-panel-art <output folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kMagenta(255, 0, 255);

enum class State { Up, Down, Focus, Disabled };
enum class Outline { Ellipse, RoundRect };

using Glyph = std::function<void(QPainter&, const QRectF& box, const QColor& ink)>;

struct ButtonStyle {
  QColor top, bottom, border, ink;
  int borderWidth;
};

ButtonStyle StyleFor(State state) {
  switch (state) {
    case State::Down:
      return {QColor(0x9a, 0xa3, 0xb5), QColor(0xe2, 0xe6, 0xee), QColor(0x3a, 0x44, 0x58), QColor(0x10, 0x1c, 0x36), 1};
    case State::Focus:
      return {QColor(0xf4, 0xf7, 0xfc), QColor(0xb2, 0xbb, 0xcc), QColor(0x2a, 0x6c, 0xd6), QColor(0x1c, 0x2a, 0x48), 2};
    case State::Disabled:
      return {QColor(0xd6, 0xd6, 0xd6), QColor(0xc4, 0xc4, 0xc4), QColor(0x9c, 0x9c, 0x9c), QColor(0x9c, 0x9c, 0x9c), 1};
    case State::Up:
    default:
      return {QColor(0xf4, 0xf7, 0xfc), QColor(0xb2, 0xbb, 0xcc), QColor(0x4a, 0x55, 0x6a), QColor(0x1c, 0x2a, 0x48), 1};
  }
}

QPainterPath OutlinePath(Outline outline, const QRectF& box) {
  QPainterPath path;
  if (outline == Outline::Ellipse)
    path.addEllipse(box);
  else
    path.addRoundedRect(box, box.height() / 4, box.height() / 4);
  return path;
}

// scale 1: the magenta-keyed picture. scale 2: the smooth one on
// transparency, its outline half a pixel inside the first one's.
QImage DrawButton(int w, int h, Outline outline, State state, const Glyph& glyph, int scale = 1) {
  const bool smooth = scale > 1;
  QImage image(w * scale, h * scale, smooth ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  image.fill(smooth ? QColor(Qt::transparent) : kMagenta);
  const ButtonStyle style = StyleFor(state);
  QPainter p(&image);
  p.scale(scale, scale);
  const QRectF box = smooth ? QRectF(0.5, 0.5, w - 2, h - 2) : QRectF(0, 0, w - 1, h - 1);
  // Body and border: hard edges in the keyed picture, so every pixel is
  // either button or magenta.
  p.setRenderHint(QPainter::Antialiasing, smooth);
  QLinearGradient face(0, 0, 0, h);
  face.setColorAt(0, style.top);
  face.setColorAt(1, style.bottom);
  p.setPen(QPen(style.border, 1));
  p.setBrush(face);
  p.drawPath(OutlinePath(outline, box));
  if (style.borderWidth > 1) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(style.border, 1));
    p.drawPath(OutlinePath(outline, box.adjusted(1, 1, -1, -1)));
  }
  // The glyph lies well inside the outline and may be smooth.
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF outer(0, 0, w - 1, h - 1);
  QRectF glyphBox = outer.adjusted(w * 0.28, h * 0.28, -w * 0.28, -h * 0.28);
  if (state == State::Down) glyphBox.translate(1, 1);
  glyph(p, glyphBox, style.ink);
  return image;
}

void Triangle(QPainter& p, const QRectF& r, bool pointsRight, const QColor& ink) {
  QPolygonF tri;
  if (pointsRight)
    tri << r.topLeft() << QPointF(r.right(), r.center().y()) << r.bottomLeft();
  else
    tri << r.topRight() << QPointF(r.left(), r.center().y()) << r.bottomRight();
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawPolygon(tri);
}

Glyph PlayGlyph(bool forward) {
  return [forward](QPainter& p, const QRectF& box, const QColor& ink) {
    const qreal side = qMin(box.width(), box.height());
    QRectF r(0, 0, side * 0.9, side);
    r.moveCenter(box.center() + QPointF(forward ? side * 0.08 : -side * 0.08, 0));
    Triangle(p, r, forward, ink);
  };
}

Glyph StepGlyph(bool forward) {
  return [forward](QPainter& p, const QRectF& box, const QColor& ink) {
    const qreal side = qMin(box.width(), box.height());
    QRectF r(0, 0, side, side);
    r.moveCenter(box.center());
    const qreal bar = qMax<qreal>(2, side * 0.2);
    QRectF barRect = forward ? QRectF(r.right() - bar, r.top(), bar, r.height()) : QRectF(r.left(), r.top(), bar, r.height());
    QRectF triRect = forward ? QRectF(r.left(), r.top(), r.width() - bar - 1, r.height())
                             : QRectF(r.left() + bar + 1, r.top(), r.width() - bar - 1, r.height());
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(barRect);
    Triangle(p, triRect, forward, ink);
  };
}

Glyph StopGlyph() {
  return [](QPainter& p, const QRectF& box, const QColor& ink) {
    const qreal side = qMin(box.width(), box.height()) * 0.85;
    QRectF r(0, 0, side, side);
    r.moveCenter(box.center());
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(r);
  };
}

// A loudspeaker with sound waves (on) or a cross (off).
Glyph SpeakerGlyph(bool on) {
  return [on](QPainter& p, const QRectF& box, const QColor& ink) {
    const QRectF r = box.adjusted(-2, -2, 2, 2);
    const qreal cy = r.center().y();
    QPolygonF speaker;
    speaker << QPointF(r.left(), cy - r.height() * 0.18) << QPointF(r.left() + r.width() * 0.25, cy - r.height() * 0.18)
            << QPointF(r.left() + r.width() * 0.5, r.top()) << QPointF(r.left() + r.width() * 0.5, r.bottom())
            << QPointF(r.left() + r.width() * 0.25, cy + r.height() * 0.18) << QPointF(r.left(), cy + r.height() * 0.18);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(speaker);
    // The cross is red while the button can be used, grey like the rest when not.
    const bool greyedOut = ink.saturation() == 0 && ink.lightness() > 100;
    QPen pen(on || greyedOut ? ink : QColor(0xc0, 0x20, 0x20), 1.4);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal x0 = r.left() + r.width() * 0.62;
    if (on) {
      p.drawArc(QRectF(x0 - 4, cy - 3, 6, 6), -60 * 16, 120 * 16);
      p.drawArc(QRectF(x0 - 5, cy - 6, 11, 12), -60 * 16, 120 * 16);
    } else {
      p.drawLine(QPointF(x0, cy - 3), QPointF(r.right(), cy + 3));
      p.drawLine(QPointF(x0, cy + 3), QPointF(r.right(), cy - 3));
    }
  };
}

// Icon labels: a flat picture on the panel colour with a magenta surround
// (or, at scale 2, a transparent one).
QImage DrawIcon(const std::function<void(QPainter&)>& draw, int scale = 1) {
  const bool smooth = scale > 1;
  QImage image(26 * scale, 26 * scale, smooth ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  image.fill(smooth ? QColor(Qt::transparent) : kMagenta);
  QPainter p(&image);
  p.scale(scale, scale);
  p.setRenderHint(QPainter::Antialiasing, smooth);
  p.setPen(QPen(QColor(0x4a, 0x55, 0x6a), 1));
  p.setBrush(QColor(0xe6, 0xea, 0xf2));
  p.drawRoundedRect(smooth ? QRectF(1.5, 3.5, 22, 18) : QRectF(1, 3, 23, 19), 4, 4);
  p.setRenderHint(QPainter::Antialiasing, true);
  draw(p);
  return image;
}

void CameraIcon(QPainter& p) {
  const QColor ink(0x1c, 0x2a, 0x48);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawRoundedRect(QRectF(4, 8, 12, 9), 1.5, 1.5);
  QPolygonF lens;
  lens << QPointF(16, 11) << QPointF(21, 8) << QPointF(21, 17) << QPointF(16, 14);
  p.drawPolygon(lens);
  p.setBrush(QColor(0xe6, 0xea, 0xf2));
  p.drawEllipse(QPointF(8, 12.5), 1.6, 1.6);
}

void ClockIcon(QPainter& p) {
  const QColor ink(0x1c, 0x2a, 0x48);
  p.setPen(QPen(ink, 1.5));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(12.5, 12.5), 7, 7);
  p.drawLine(QPointF(12.5, 12.5), QPointF(12.5, 7.5));
  p.drawLine(QPointF(12.5, 12.5), QPointF(16, 14));
}

void NumberIcon(QPainter& p) {
  const QColor ink(0x1c, 0x2a, 0x48);
  p.setPen(QPen(ink, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5, 6, 10, 12));
  p.drawRect(QRectF(8, 8, 10, 12));
  QFont font;
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(8, 8, 10, 12), Qt::AlignCenter, QStringLiteral("#"));
}

bool SaveAs(const QImage& image, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name);
  if (image.save(path)) return true;
  std::fprintf(stderr, "make-panel-art: cannot write %s\n", qPrintable(path));
  return false;
}

// Clears every pixel of the large picture whose pixel in the keyed one is
// magenta: the button's shape comes from the keyed picture, and whatever
// lay outside it would be cut off in steps.
QImage InsideOutline(QImage large, const QImage& keyed) {
  for (int y = 0; y < large.height(); ++y) {
    for (int x = 0; x < large.width(); ++x) {
      if ((keyed.pixel(x / 2, y / 2) & 0xFFFFFF) == (kMagenta.rgb() & 0xFFFFFF)) large.setPixel(x, y, 0);
    }
  }
  return large;
}

// The picture and its double-size partner.
bool Save(const std::function<QImage(int scale)>& draw, const QString& folder, int id) {
  const QImage keyed = draw(1);
  return SaveAs(keyed, folder, QStringLiteral("%1.png").arg(id)) &&
         SaveAs(InsideOutline(draw(2), keyed), folder, QStringLiteral("%1@2x.png").arg(id));
}

bool SaveButton(const QString& folder, int firstId, int w, int h, Outline outline, const Glyph& glyph) {
  bool ok = true;
  const State states[] = {State::Up, State::Down, State::Focus, State::Disabled};
  for (int i = 0; i < 4; ++i) {
    const State state = states[i];
    ok = Save([&](int scale) { return DrawButton(w, h, outline, state, glyph, scale); }, folder, firstId + i) && ok;
  }
  return ok;
}

bool SaveSoundButton(const QString& folder, int id, State state, bool on) {
  return Save([&](int scale) { return DrawButton(26, 26, Outline::Ellipse, state, SpeakerGlyph(on), scale); }, folder,
              id);
}

bool SaveIcon(const QString& folder, int id, void (*icon)(QPainter&)) {
  return Save([&](int scale) { return DrawIcon(icon, scale); }, folder, id);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-panel-art <output folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  bool ok = true;
  ok = SaveButton(folder, 143, 40, 36, Outline::Ellipse, PlayGlyph(false)) && ok;
  ok = SaveButton(folder, 147, 30, 28, Outline::RoundRect, StepGlyph(false)) && ok;
  ok = SaveButton(folder, 151, 30, 28, Outline::RoundRect, StopGlyph()) && ok;
  ok = SaveButton(folder, 155, 30, 28, Outline::RoundRect, StepGlyph(true)) && ok;
  ok = SaveButton(folder, 159, 40, 36, Outline::Ellipse, PlayGlyph(true)) && ok;
  // Sound button: on, off, disabled on, disabled off.
  ok = SaveSoundButton(folder, 171, State::Up, true) && ok;
  ok = SaveSoundButton(folder, 172, State::Up, false) && ok;
  ok = SaveSoundButton(folder, 173, State::Disabled, true) && ok;
  ok = SaveSoundButton(folder, 174, State::Disabled, false) && ok;
  ok = SaveIcon(folder, 175, CameraIcon) && ok;
  ok = SaveIcon(folder, 176, ClockIcon) && ok;
  ok = SaveIcon(folder, 177, NumberIcon) && ok;
  return ok ? 0 : 1;
}
