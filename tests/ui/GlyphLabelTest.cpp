// Figures drawn from the glyph table must look exactly like the shaped text a plain label draws; anything
// the table cannot place exactly must still be drawn, by the shaper.
#include "ui/GlyphLabel.h"
#include "ui/FigureGlyphs.h"

#include <QFontMetricsF>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage Drawn(QLabel& label, const QString& text, Qt::Alignment alignment, const QFont& font)
{
    label.setTextFormat(Qt::PlainText);
    label.setFont(font);
    label.setAlignment(alignment | Qt::AlignTop);
    label.setGeometry(0, 0, 60, 12);
    label.setText(text);
    return label.grab().toImage();
}

QFont MonitorFont()
{
    QFont small("Small Fonts");
    small.setPixelSize(8);
    return small;
}

} // namespace

TEST(GlyphLabel, DrawsEveryTextAndAlignmentLikeAPlainLabel)
{
    for (const QFont& font : {QFont(), MonitorFont()}) {
        for (const Qt::Alignment alignment : {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight}) {
            for (const QString text : {"12:34:56", "1,234,567", "10.203.0.1", "Wi-Fi 5 GHz", "Ärger", ""}) {
                SCOPED_TRACE(QString("%1 / %2 / %3").arg(text, font.family()).arg(alignment).toStdString());
                QLabel plain;
                TGlyphLabel fast;
                EXPECT_TRUE(Drawn(plain, text, alignment, font) == Drawn(fast, text, alignment, font));
            }
        }
    }
}

TEST(FigureGlyphs, PlacesFiguresAsWideAsTheShaperAndLeavesOtherTextToIt)
{
    const QFont font;
    const auto table = TFigureGlyphs::For(font);
    EXPECT_EQ(table, TFigureGlyphs::For(font)) << "one table per font";
    const auto run = table->Layout("999,999,999,999");
    ASSERT_TRUE(run.has_value()) << "the default font kerns no figures, so figures take the fast way";
    EXPECT_DOUBLE_EQ(run->boundingRect().width(), QFontMetricsF(font).horizontalAdvance("999,999,999,999"));
    EXPECT_FALSE(table->Layout("bytes/s").has_value());
    EXPECT_FALSE(table->Layout("1\u00a0234").has_value()) << "a no-break space, as some locales group digits";
    EXPECT_FALSE(table->Layout("").has_value());
}
