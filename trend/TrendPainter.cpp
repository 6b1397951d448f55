#include "TrendPainter.h"

#include "Raster.h"

#include "platform/Checked.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int ToPixel(int64_t value) { return Checked::Narrow<int32_t>(value); }

} // namespace

TTrendPainter::TTrendPainter(const TTrendView& view, QImage& image)
    : View(view), Image(image), W(image.width()), H(image.height()), BW(view.BorderWidth),
      P(ToPixel(Checked::Sub(H, Checked::Mul(2, BW)))), Slot(double(W - 2.0 * BW) / view.Divisions),
      Span(Checked::Sub(view.MaxVal, view.MinVal)), Twin(view.Twin), ColorA(view.ColorDataA), ColorB(view.ColorDataB)
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
    return ToPixel(Checked::Div(Checked::Mul(Checked::Sub(value, View.MinVal), available), Span));
}

// To the nearest integer, ties to the even neighbour (the default rounding mode).
int TTrendPainter::Nearest(double x) const
{
    const double rounded = std::nearbyint(x);
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) throw ERangeError();
    return static_cast<int>(rounded);
}

TRaster TTrendPainter::Canvas() const
{
    TRaster raster(Image);
    raster.SetClip(ClipLeft, ClipRight);
    return raster;
}

void TTrendPainter::Draw() { DrawColumns(0, W); }

bool TTrendPainter::Scroll(int32_t addedA, int32_t addedB)
{
    const int32_t divisions = View.Divisions;
    // A border outside the picture or covering all of it leaves no columns of bars to move.
    if (BW < 0 || BW >= W / 2) return false;
    const int inner = W - 2 * BW;
    if (addedA == 0 && (addedB == 0 || !Twin)) return true; // only an uncovered part is shown again
    // Only bars stand alone in their own columns; lines and shapes join neighbouring samples.
    if (View.Style != tsBar || inner <= 0 || inner % divisions != 0) return false;
    if ((Twin && addedA != addedB) || addedA < 0 || addedA >= divisions) return false;
    const int slot = inner / divisions;
    const int moved = addedA * slot;
    uchar* bits = Image.bits();
    for (int y = 0; y < H; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + static_cast<std::ptrdiff_t>(y) * Image.bytesPerLine());
        std::memmove(line + BW, line + BW + moved, sizeof(QRgb) * static_cast<std::size_t>(inner - moved));
    }
    // Without a border the frame's columns lie under the first and last bars, so the columns that moved
    // onto them or away from them are drawn again with the new ones.
    DrawColumns(0, BW + slot);
    DrawColumns(W - BW - moved - slot, W);
    return true;
}

void TTrendPainter::DrawColumns(int left, int right)
{
    ClipLeft = left;
    ClipRight = right;
    TRaster raster = Canvas();
    raster.SetColor(View.Background);
    raster.FillRect(0, 0, W, H);
    raster.SetColor(qRgb(0, 0, 0));
    raster.Frame(0, 0, W, H);
    switch (View.Style) {
    case tsBar: DrawBars(); break;
    case tsLine: DrawLines(); break;
    case tsScatter: DrawScatter(); break;
    case tsFilled: DrawFilled(); break;
    }
}

// The bars that may reach the columns left..right-1: a whole picture looks at every bar, a part only at
// the bars near it (rounding moves a bar by less than a column, so one more on each side is enough).
std::pair<int, int> TTrendPainter::BarsNear(int left, int right) const
{
    const int count = View.Divisions;
    if ((left <= 0 && right >= W) || !(Slot > 0)) return {0, count};
    const double from = std::floor((left - BW) / Slot) - 1;
    const double to = std::ceil((right - BW) / Slot) + 1;
    return {static_cast<int>(std::clamp(from, 0.0, double(count))),
            static_cast<int>(std::clamp(to, 0.0, double(count)))};
}

void TTrendPainter::DrawBars()
{
    TRaster raster = Canvas();
    const auto a = View.DataA;
    const auto b = View.DataB;
    const int base = H - BW;
    const auto [first, last] = BarsNear(ClipLeft, ClipRight);
    for (int i = first; i < last; ++i) {
        const int x = Nearest(BW + i * Slot);
        const int x2 = Nearest(x + Slot);
        // Bars wholly outside the columns being drawn were drawn, from the same bounds, before.
        if (x2 <= ClipLeft || x >= ClipRight) continue;
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

void TTrendPainter::DrawLine(std::span<const int64_t> samples, int half, QRgb color)
{
    TRaster raster = Canvas();
    raster.SetColor(color);
    raster.MoveTo(BW + half, Row(samples[0], P, BW));
    for (int i = 1; i < View.Divisions; ++i)
        raster.LineTo(Nearest(BW + i * Slot + half), Row(samples[i], P, BW));
}

void TTrendPainter::DrawLines()
{
    const int half = Nearest(Slot) / 2;
    DrawLine(View.DataA, half, ColorA);
    if (Twin) DrawLine(View.DataB, half, ColorB);
}

void TTrendPainter::DrawScatter()
{
    TRaster raster = Canvas();
    const int r = std::max(Nearest(Slot / 4), 1);
    const int available = P - 2 * r;
    auto square = [&](int cx, int64_t sample, QRgb color) {
        const int centre = Row(sample, available, BW + r);
        raster.SetColor(color);
        raster.FillRect(cx - r, centre + r, cx + r, centre - r);
    };
    for (int i = 0; i < View.Divisions; ++i) {
        const int cx = Nearest(BW + i * Slot + 2 * r);
        square(cx, View.DataA[i], ColorA);
        if (Twin) square(cx, View.DataB[i], ColorB);
    }
}

// The area under series A; series B has no place in this style.
void TTrendPainter::DrawFilled()
{
    TRaster raster = Canvas();
    raster.SetColor(ColorA);
    const auto a = View.DataA;
    for (int i = 0; i + 1 < View.Divisions; ++i) {
        const int x = Nearest(BW + i * Slot + Slot / 2);
        const int x2 = Nearest(x + Slot);
        const QPoint outline[] = {{x, H - BW}, {x2, H - BW}, {x2, Row(a[i + 1], P, BW)}, {x, Row(a[i], P, BW)}};
        raster.Polygon(outline, 4);
    }
}
