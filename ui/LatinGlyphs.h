#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>

#include <array>
#include <optional>

// Lays out Latin-1 text (digits, units, separators: what the value labels show) from a table of glyphs
// and advances read once per font, so a caption that changes every second is placed without running the
// text shaper. Text with any other character is not laid out here; the caller shapes it as usual.
class TLatinGlyphs {
public:
    explicit TLatinGlyphs(const QFont& font);

    // The caption as glyphs on a baseline at its top left corner, or nothing if a character of it is
    // outside the table or the font has no glyph for it.
    std::optional<QGlyphRun> Layout(const QString& text) const;
    const QFont& Font() const { return SourceFont; }

private:
    static constexpr char16_t First = 0x20;
    static constexpr char16_t Last = 0xFF;
    static constexpr std::size_t Count = Last - First + 1;

    QFont SourceFont;
    QRawFont Raw;
    std::array<quint32, Count> Glyphs{};
    std::array<qreal, Count> Advances{};
};
