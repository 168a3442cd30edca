#include "view/render/WrappedText.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

namespace selvo {

namespace {

// Lays the text out and answers its height; a typed line break stays one.
qreal LayOut(QTextLayout& layout, const QString& text, const QFont& font, int width, Qt::Alignment horizontal) {
  QString lines = text;
  lines.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
  lines.replace(QLatin1Char('\r'), QChar::LineSeparator);
  layout.setText(lines);
  layout.setFont(font);
  QTextOption option(horizontal);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  const qreal lineWidth = std::max(1, width);
  qreal y = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(lineWidth);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout.endLayout();
  return y;
}

}  // namespace

int WrappedTextHeight(const QString& text, const QFont& font, int width) {
  if (text.isEmpty()) return 0;
  QTextLayout layout;
  return static_cast<int>(std::ceil(LayOut(layout, text, font, width, Qt::AlignLeft)));
}

void DrawWrappedText(QPainter& painter, const QString& text, const QFont& font, const QRect& rect,
                     Qt::Alignment horizontal) {
  if (text.isEmpty()) return;
  QTextLayout layout;
  LayOut(layout, text, font, rect.width(), horizontal);
  layout.draw(&painter, rect.topLeft());
}

}  // namespace selvo
