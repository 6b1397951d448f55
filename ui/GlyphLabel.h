#pragma once

#include "FigureGlyphs.h"

#include <QGlyphRun>
#include <QLabel>
#include <QString>

#include <memory>
#include <optional>

// A plain-text label that draws digits and units from a table of glyphs instead of shaping its text at
// every repaint; the monitor's figures change every second. Other text is drawn by the label as usual.
class TGlyphLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The glyphs of the text shown, laid out when the text or the font changes.
    const std::optional<QGlyphRun>& Run();

    std::shared_ptr<const TFigureGlyphs> Glyphs;
    std::optional<QGlyphRun> CachedRun;
    QString CachedText;
};
