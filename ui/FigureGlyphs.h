#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// Lays out figures (digits and the separators of numbers, durations and addresses: what changes every
// second in the windows) from a table of glyphs and advances read once per font, so such a caption is
// placed without running the text shaper. A font that kerns any two figures, or whose advances differ
// from the shaper's, lays out nothing here; neither does text with any other character. The caller then
// shapes the text as usual.
class TFigureGlyphs {
public:
    // One table per font, shared by every label drawn in it.
    static std::shared_ptr<const TFigureGlyphs> For(const QFont& font);

    explicit TFigureGlyphs(const QFont& font);

    // The caption as glyphs on a baseline at its top left corner, or nothing if it is not figures only.
    std::optional<QGlyphRun> Layout(const QString& text) const;
    const QFont& Font() const { return SourceFont; }

private:
    static constexpr char16_t First = 0x20;
    static constexpr char16_t Last = 0x7E;
    static constexpr std::size_t Count = Last - First + 1;

    bool AgreesWithShaper() const;

    QFont SourceFont;
    QRawFont Raw;
    // Glyph 0 marks a character this table does not lay out.
    std::array<quint32, Count> Glyphs{};
    std::array<qreal, Count> Advances{};
};
