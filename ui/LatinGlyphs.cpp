#include "LatinGlyphs.h"

#include <QList>
#include <QPointF>

TLatinGlyphs::TLatinGlyphs(const QFont& font) : SourceFont(font), Raw(QRawFont::fromFont(font))
{
    if (!Raw.isValid()) return;
    QString table;
    for (char16_t c = First; c <= Last; ++c)
        table.append(QChar(c));
    const QList<quint32> glyphs = Raw.glyphIndexesForString(table);
    const QList<QPointF> advances = Raw.advancesForGlyphIndexes(glyphs);
    if (glyphs.size() != static_cast<qsizetype>(Count) || advances.size() != glyphs.size()) return;
    for (std::size_t i = 0; i < Count; ++i) {
        Glyphs[i] = glyphs[static_cast<qsizetype>(i)];
        Advances[i] = advances[static_cast<qsizetype>(i)].x();
    }
}

std::optional<QGlyphRun> TLatinGlyphs::Layout(const QString& text) const
{
    if (!Raw.isValid() || text.isEmpty()) return std::nullopt;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    const qreal baseline = Raw.ascent();
    qreal x = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < First || code > Last) return std::nullopt;
        const std::size_t index = code - First;
        // Glyph 0 is the font's "missing" box: such text goes to the shaper, which may find a fallback font.
        if (Glyphs[index] == 0) return std::nullopt;
        glyphs.append(Glyphs[index]);
        positions.append(QPointF(x, baseline));
        x += Advances[index];
    }
    QGlyphRun run;
    run.setRawFont(Raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    run.setBoundingRect(QRectF(0, 0, x, Raw.ascent() + Raw.descent()));
    return run;
}
