// Draws the control panel's button and icon pictures into a folder as
// <resource number>.png: four states per button (up, down, focus, disabled)
// and one picture per icon label. Everything outside a button's outline is
// magenta, the colour the panel treats as transparent, so the outline itself
// is drawn without antialiasing (a blended edge would not be magenta).
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

QImage DrawButton(int w, int h, Outline outline, State state, const Glyph& glyph) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kMagenta);
  const ButtonStyle style = StyleFor(state);
  QPainter p(&image);
  const QRectF box(0, 0, w - 1, h - 1);
  // Body and border: hard edges, so every pixel is either button or magenta.
  p.setRenderHint(QPainter::Antialiasing, false);
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
  QRectF glyphBox = box.adjusted(w * 0.28, h * 0.28, -w * 0.28, -h * 0.28);
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

// Icon labels: a flat picture on the panel colour with a magenta surround.
QImage DrawIcon(const std::function<void(QPainter&)>& draw) {
  QImage image(26, 26, QImage::Format_RGB32);
  image.fill(kMagenta);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(0x4a, 0x55, 0x6a), 1));
  p.setBrush(QColor(0xe6, 0xea, 0xf2));
  p.drawRoundedRect(QRectF(1, 3, 23, 19), 4, 4);
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

bool Save(const QImage& image, const QString& folder, int id) {
  const QString path = QDir(folder).filePath(QStringLiteral("%1.png").arg(id));
  if (image.save(path)) return true;
  std::fprintf(stderr, "make-panel-art: cannot write %s\n", qPrintable(path));
  return false;
}

bool SaveButton(const QString& folder, int firstId, int w, int h, Outline outline, const Glyph& glyph) {
  bool ok = true;
  const State states[] = {State::Up, State::Down, State::Focus, State::Disabled};
  for (int i = 0; i < 4; ++i) ok = Save(DrawButton(w, h, outline, states[i], glyph), folder, firstId + i) && ok;
  return ok;
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
  ok = Save(DrawButton(26, 26, Outline::Ellipse, State::Up, SpeakerGlyph(true)), folder, 171) && ok;
  ok = Save(DrawButton(26, 26, Outline::Ellipse, State::Up, SpeakerGlyph(false)), folder, 172) && ok;
  ok = Save(DrawButton(26, 26, Outline::Ellipse, State::Disabled, SpeakerGlyph(true)), folder, 173) && ok;
  ok = Save(DrawButton(26, 26, Outline::Ellipse, State::Disabled, SpeakerGlyph(false)), folder, 174) && ok;
  ok = Save(DrawIcon(CameraIcon), folder, 175) && ok;
  ok = Save(DrawIcon(ClockIcon), folder, 176) && ok;
  ok = Save(DrawIcon(NumberIcon), folder, 177) && ok;
  return ok ? 0 : 1;
}
