#include "Raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

void TRaster::SetClip(int left, int right)
{
    ClipLeft = std::max(left, 0);
    ClipRight = std::min(right, Width);
}

void TRaster::Plot(int x, int y)
{
    if (x < ClipLeft || y < 0 || x >= ClipRight || y >= Height) return;
    Line(y)[x] = Color;
}

void TRaster::Span(int y, int xFrom, int xTo)
{
    if (y < 0 || y >= Height) return;
    xFrom = std::max(xFrom, ClipLeft);
    xTo = std::min(xTo, ClipRight - 1);
    if (xFrom > xTo) return;
    QRgb* line = Line(y);
    std::fill(line + xFrom, line + xTo + 1, Color);
}

void TRaster::FillRect(int x1, int y1, int x2, int y2)
{
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    for (int y = std::max(top, 0); y < std::min(bottom, Height); ++y)
        Span(y, left, right - 1);
}

void TRaster::Frame(int x1, int y1, int x2, int y2)
{
    const int left = std::min(x1, x2), right = std::max(x1, x2) - 1;
    const int top = std::min(y1, y2), bottom = std::max(y1, y2) - 1;
    if (left > right || top > bottom) return;
    Span(top, left, right);
    Span(bottom, left, right);
    for (int y = top; y <= bottom; ++y) {
        Plot(left, y);
        Plot(right, y);
    }
}

// Bresenham's line from the current position, leaving out the end point so that joined lines touch
// each pixel once.
void TRaster::LineTo(int x, int y)
{
    int x0 = Current.x(), y0 = Current.y();
    const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
    const int stepX = x0 < x ? 1 : -1, stepY = y0 < y ? 1 : -1;
    int error = dx + dy;
    while (x0 != x || y0 != y) {
        Plot(x0, y0);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y0 += stepY;
        }
    }
    Current = QPoint(x, y);
}

// Even-odd fill sampled at pixel centres, then the outline through every vertex.
void TRaster::Polygon(const QPoint* points, std::size_t count)
{
    if (count < 2) return;
    count = std::min(count, MaxPolygonPoints);
    int top = points[0].y(), bottom = points[0].y();
    for (std::size_t i = 0; i < count; ++i) {
        top = std::min(top, points[i].y());
        bottom = std::max(bottom, points[i].y());
    }
    std::array<double, MaxPolygonPoints> crossings;
    for (int y = std::max(top, 0); y <= std::min(bottom, Height - 1); ++y) {
        std::size_t found = 0;
        const double centre = y + 0.5;
        for (std::size_t i = 0; i < count; ++i) {
            const QPoint& a = points[i];
            const QPoint& b = points[(i + 1) % count];
            if ((a.y() <= centre) == (b.y() <= centre)) continue;
            crossings[found++] = a.x() + (centre - a.y()) * (b.x() - a.x()) / double(b.y() - a.y());
        }
        std::sort(crossings.begin(), crossings.begin() + found);
        for (std::size_t i = 0; i + 1 < found; i += 2)
            Span(y, static_cast<int>(std::ceil(crossings[i] - 0.5)),
                 static_cast<int>(std::floor(crossings[i + 1] - 0.5)));
    }
    MoveTo(points[count - 1].x(), points[count - 1].y());
    for (std::size_t i = 0; i < count; ++i)
        LineTo(points[i].x(), points[i].y());
}
