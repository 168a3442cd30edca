#pragma once
// Text laid out in lines no wider than a given width, broken between words
// where it can be and inside a word where it must: a print title or a page
// footer keeps every character the user or the recording gave it, however
// long, instead of running off the paper.
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace selvo {

// The height the text takes at this width; 0 for an empty text.
int WrappedTextHeight(const QString& text, const QFont& font, int width);

// Draws the text from the top of rect, each line aligned within rect's width
// by horizontal (Qt::AlignLeft, Qt::AlignHCenter). Lines below rect's bottom
// are drawn all the same: the caller reserved the room.
void DrawWrappedText(QPainter& painter, const QString& text, const QFont& font, const QRect& rect,
                     Qt::Alignment horizontal);

}  // namespace selvo
