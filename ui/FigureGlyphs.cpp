#include "FigureGlyphs.h"

#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QPointF>

namespace {
// The characters of numbers, durations, dates and addresses in any of the formats shown.
const QString Figures = QStringLiteral("0123456789 ,.:/-+%");
} // namespace

std::shared_ptr<const TFigureGlyphs> TFigureGlyphs::For(const QFont& font)
{
    // Never destroyed: a raw font outliving the application's font cache at exit would release a font
    // engine that is gone.
    static auto* const tables = new QHash<QString, std::shared_ptr<const TFigureGlyphs>>;
    std::shared_ptr<const TFigureGlyphs>& table = (*tables)[font.key()];
    if (!table) table = std::make_shared<const TFigureGlyphs>(font);
    return table;
}

TFigureGlyphs::TFigureGlyphs(const QFont& font) : SourceFont(font), Raw(QRawFont::fromFont(font))
{
    if (!Raw.isValid()) return;
    const QList<quint32> glyphs = Raw.glyphIndexesForString(Figures);
    const QList<QPointF> advances = Raw.advancesForGlyphIndexes(glyphs);
    if (glyphs.size() != Figures.size() || advances.size() != glyphs.size()) return;
    for (qsizetype i = 0; i < Figures.size(); ++i) {
        const std::size_t index = Figures[i].unicode() - First;
        Glyphs[index] = glyphs[i];
        Advances[index] = advances[i].x();
    }
    if (!AgreesWithShaper()) Glyphs.fill(0);
}

// Every pair of figures, shaped, must be as wide as the table's two advances: no kerning, no other
// rounding. Checked once per font, so a label never draws differently from the shaped text.
bool TFigureGlyphs::AgreesWithShaper() const
{
    const QFontMetricsF metrics(SourceFont);
    for (const QChar a : Figures) {
        for (const QChar b : Figures) {
            const qreal table = Advances[a.unicode() - First] + Advances[b.unicode() - First];
            if (Glyphs[a.unicode() - First] == 0 || Glyphs[b.unicode() - First] == 0) return false;
            if (qAbs(metrics.horizontalAdvance(QString(a) + b) - table) > 0.001) return false;
        }
    }
    return true;
}

std::optional<QGlyphRun> TFigureGlyphs::Layout(const QString& text) const
{
    if (text.isEmpty()) return std::nullopt;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    const qreal baseline = Raw.ascent();
    qreal x = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < First || code > Last || Glyphs[code - First] == 0) return std::nullopt;
        glyphs.append(Glyphs[code - First]);
        positions.append(QPointF(x, baseline));
        x += Advances[code - First];
    }
    QGlyphRun run;
    run.setRawFont(Raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    run.setBoundingRect(QRectF(0, 0, x, Raw.ascent() + Raw.descent()));
    return run;
}
