#include "GlyphLabel.h"

#include <QPainter>

void TGlyphLabel::paintEvent(QPaintEvent* event)
{
    // One line of plain text hung from the top; anything else the label draws itself.
    const bool oneTopLine = textFormat() == Qt::PlainText && pixmap().isNull() && !wordWrap() &&
                            (alignment() & Qt::AlignVertical_Mask) == Qt::AlignTop;
    if (!oneTopLine || !Run()) {
        QLabel::paintEvent(event);
        return;
    }
    const QGlyphRun& run = *CachedRun;
    const QRect area = contentsRect();
    const qreal width = run.boundingRect().width();
    qreal x = area.left();
    if (alignment() & Qt::AlignRight) {
        x = area.right() + 1 - width;
    } else if (alignment() & Qt::AlignHCenter) {
        x = area.left() + (area.width() - width) / 2;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawGlyphRun(QPointF(x, area.top()), run);
}

const std::optional<QGlyphRun>& TGlyphLabel::Run()
{
    const bool fontChanged = !Glyphs || Glyphs->Font() != font();
    if (fontChanged) Glyphs = TFigureGlyphs::For(font());
    if (fontChanged || CachedText != text()) {
        CachedText = text();
        CachedRun = Glyphs->Layout(CachedText);
    }
    return CachedRun;
}
