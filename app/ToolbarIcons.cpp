#include "app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "doc/CommandIds.h"

namespace selvo {

namespace {

constexpr int kIconSize = 32;

QPixmap BlankPixmap(int size = kIconSize) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void DrawFolder(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 20), 1.5));
  p.setBrush(QColor(240, 200, 90));
  QPainterPath path;
  path.moveTo(3, 9);
  path.lineTo(12, 9);
  path.lineTo(15, 12);
  path.lineTo(28, 12);
  path.lineTo(28, 26);
  path.lineTo(3, 26);
  path.closeSubpath();
  p.drawPath(path);
  p.setBrush(QColor(250, 220, 120));
  QPainterPath front;
  front.moveTo(3, 26);
  front.lineTo(7, 16);
  front.lineTo(31, 16);
  front.lineTo(28, 26);
  front.closeSubpath();
  p.drawPath(front);
}

void DrawDisk(QPainter& p) {
  p.setPen(QPen(QColor(20, 30, 80), 1.5));
  p.setBrush(QColor(60, 80, 170));
  p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(9, 4, 14, 9));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 17, 16, 11));
  p.setPen(QPen(QColor(20, 30, 80), 1.5));
  p.drawLine(QPointF(18, 6), QPointF(18, 11));
}

void DrawPrinter(QPainter& p) {
  p.setPen(QPen(QColor(50, 50, 50), 1.5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 3, 14, 10));
  p.setBrush(QColor(170, 170, 175));
  p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 19, 14, 10));
  p.setPen(QPen(QColor(40, 160, 60), 2));
  p.drawPoint(QPointF(25, 15.5));
}

void DrawGrid(QPainter& p, int sides) {
  const QRectF frame(4, 6, 24, 20);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 40, 60));
  p.drawRect(frame);
  const double cellW = frame.width() / sides;
  const double cellH = frame.height() / sides;
  for (int r = 0; r < sides; ++r) {
    for (int c = 0; c < sides; ++c) {
      const int shade = 120 + ((r + c) % 2) * 50;
      p.setBrush(QColor(shade / 2, shade, 230));
      p.drawRect(QRectF(frame.left() + c * cellW + 1, frame.top() + r * cellH + 1, cellW - 2, cellH - 2));
    }
  }
}

void DrawAbout(QPainter& p) {
  p.setPen(QPen(QColor(20, 60, 140), 1.5));
  p.setBrush(QColor(90, 150, 230));
  p.drawEllipse(QRectF(4, 4, 24, 24));
  QFont font = p.font();
  font.setPixelSize(20);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawProgram(QPainter& p, int size) {
  p.scale(size / 32.0, size / 32.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 48));
  p.drawRoundedRect(QRectF(2, 6, 28, 20), 3, 3);
  p.setBrush(QColor(235, 235, 235));
  for (int i = 0; i < 6; ++i) {
    p.drawRect(QRectF(4 + i * 4.4, 7.5, 2.4, 2.4));
    p.drawRect(QRectF(4 + i * 4.4, 22, 2.4, 2.4));
  }
  p.setBrush(QColor(70, 130, 210));
  p.drawEllipse(QRectF(10, 10, 12, 12));
  p.setBrush(QColor(20, 30, 60));
  p.drawEllipse(QRectF(13, 13, 6, 6));
  p.setBrush(QColor(255, 255, 255, 180));
  p.drawEllipse(QRectF(14, 13.5, 2, 2));
}

}  // namespace

QIcon ToolbarIcon(int commandId) {
  QPixmap pixmap = BlankPixmap();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (commandId) {
    case cmd::kFileOpen: DrawFolder(painter); break;
    case cmd::kFileSaveImage: DrawDisk(painter); break;
    case cmd::kFilePrint: DrawPrinter(painter); break;
    case cmd::kSplit1: DrawGrid(painter, 1); break;
    case cmd::kSplit4: DrawGrid(painter, 2); break;
    case cmd::kSplit9: DrawGrid(painter, 3); break;
    case cmd::kSplit16: DrawGrid(painter, 4); break;
    case cmd::kAppAbout:
    case cmd::kAppAboutVariant: DrawAbout(painter); break;
    default: return QIcon();
  }
  painter.end();
  return QIcon(pixmap);
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pixmap = BlankPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawProgram(painter, size);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace selvo
