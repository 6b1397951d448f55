#include "TrendPainter.h"

#include "Raster.h"

#include "platform/Checked.h"

#include <cmath>

namespace {

int ToPixel(int64_t value) { return Checked::Narrow<int32_t>(value); }

} // namespace

TTrendPainter::TTrendPainter(const TTrend& trend, QImage& image)
    : Trend(trend), Image(image), W(image.width()), H(image.height()), BW(trend.BorderWidth()),
      P(ToPixel(Checked::Sub(H, Checked::Mul(2, BW)))), Slot(double(W - 2.0 * BW) / trend.Divisions()),
      Span(Checked::Sub(trend.MaxVal(), trend.MinVal())), Twin(trend.Options() & toTwin),
      ColorA(trend.ColorDataA().rgb()), ColorB(trend.ColorDataB().rgb())
{
}

// The height in pixels of a value over an available height.
// The row of a value's top: H - (BW + lift).
int TTrendPainter::Row(int64_t value, int available, int offset) const
{
    return ToPixel(Checked::Sub(H, Checked::Add(offset, Lift(value, available))));
}

int TTrendPainter::Lift(int64_t value, int available) const
{
    return ToPixel(Checked::Div(Checked::Mul(Checked::Sub(value, Trend.MinVal()), available), Span));
}

// To the nearest integer, ties to the even neighbour (the default rounding mode).
int TTrendPainter::Nearest(double x) const
{
    const double rounded = std::nearbyint(x);
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) throw ERangeError();
    return static_cast<int>(rounded);
}

void TTrendPainter::Draw()
{
    TRaster raster(Image);
    raster.SetColor(Trend.Color().rgb());
    raster.FillRect(0, 0, W, H);
    raster.SetColor(qRgb(0, 0, 0));
    raster.Frame(0, 0, W, H);
    switch (Trend.Style()) {
    case tsBar: DrawBars(); break;
    case tsLine: DrawLines(); break;
    case tsScatter: DrawScatter(); break;
    case tsFilled: DrawFilled(); break;
    }
}

void TTrendPainter::DrawBars()
{
    TRaster raster(Image);
    const auto& a = Trend.DataA();
    const auto& b = Trend.DataB();
    const int base = H - BW;
    for (int i = 0; i < Trend.Divisions(); ++i) {
        const int x = Nearest(BW + i * Slot);
        const int x2 = Nearest(x + Slot);
        const int topA = Row(a[i], P, BW);
        raster.SetColor(ColorA);
        raster.FillRect(x, base, x2, topA);
        if (!Twin) continue;
        const int topB = Row(b[i], P, BW);
        raster.SetColor(ColorB);
        raster.FillRect(x, base, x2, topB);
        // The shorter bar stays in front; at equal height series B is in front.
        if (topB < topA) {
            raster.SetColor(ColorA);
            raster.FillRect(x, base, x2, topA);
        }
    }
}

void TTrendPainter::DrawLine(const std::vector<int64_t>& samples, int half, QRgb color)
{
    TRaster raster(Image);
    raster.SetColor(color);
    raster.MoveTo(BW + half, Row(samples[0], P, BW));
    for (int i = 1; i < Trend.Divisions(); ++i)
        raster.LineTo(Nearest(BW + i * Slot + half), Row(samples[i], P, BW));
}

void TTrendPainter::DrawLines()
{
    const int half = Nearest(Slot) / 2;
    DrawLine(Trend.DataA(), half, ColorA);
    if (Twin) DrawLine(Trend.DataB(), half, ColorB);
}

void TTrendPainter::DrawScatter()
{
    TRaster raster(Image);
    const int r = std::max(Nearest(Slot / 4), 1);
    const int available = P - 2 * r;
    auto square = [&](int cx, int64_t sample, QRgb color) {
        const int centre = Row(sample, available, BW + r);
        raster.SetColor(color);
        raster.FillRect(cx - r, centre + r, cx + r, centre - r);
    };
    for (int i = 0; i < Trend.Divisions(); ++i) {
        const int cx = Nearest(BW + i * Slot + 2 * r);
        square(cx, Trend.DataA()[i], ColorA);
        if (Twin) square(cx, Trend.DataB()[i], ColorB);
    }
}

// The area under series A; series B has no place in this style.
void TTrendPainter::DrawFilled()
{
    TRaster raster(Image);
    raster.SetColor(ColorA);
    const auto& a = Trend.DataA();
    for (int i = 0; i + 1 < Trend.Divisions(); ++i) {
        const int x = Nearest(BW + i * Slot + Slot / 2);
        const int x2 = Nearest(x + Slot);
        const QPoint outline[] = {{x, H - BW}, {x2, H - BW}, {x2, Row(a[i + 1], P, BW)}, {x, Row(a[i], P, BW)}};
        raster.Polygon(outline, 4);
    }
}
