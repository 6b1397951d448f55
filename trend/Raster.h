#pragma once

#include <QImage>
#include <QPoint>

#include <cstddef>

// Drawing on an off-screen image with the pixel rules the trend's shapes are defined by: a rectangle
// covers its left and top edges but not its right and bottom ones, a line leaves out its end point, and a
// polygon is filled and outlined in one colour. Everything is clipped to the image.
class TRaster {
public:
    // The image's pixels are taken once: QImage checks for sharing on every scanLine() call.
    explicit TRaster(QImage& image)
        : Bits(image.bits()), Stride(image.bytesPerLine()), Width(image.width()), Height(image.height()),
          ClipRight(image.width())
    {
    }

    // Limits drawing to the columns left..right-1 (and to the image); a partial repaint draws exactly
    // what a whole one draws in those columns.
    void SetClip(int left, int right);

    void SetColor(QRgb color) { Color = color; }
    void FillRect(int x1, int y1, int x2, int y2);
    void MoveTo(int x, int y) { Current = QPoint(x, y); }
    void LineTo(int x, int y);
    // At most MaxPolygonPoints points; drawing allocates nothing.
    static constexpr std::size_t MaxPolygonPoints = 16;
    void Polygon(const QPoint* points, std::size_t count);
    // A 1-pixel outline of the rectangle's covered area.
    void Frame(int x1, int y1, int x2, int y2);

private:
    void Plot(int x, int y);
    void Span(int y, int xFrom, int xTo); // inclusive

    QRgb* Line(int y) { return reinterpret_cast<QRgb*>(Bits + static_cast<std::ptrdiff_t>(y) * Stride); }

    uchar* Bits;
    qsizetype Stride;
    int Width;
    int Height;
    int ClipLeft = 0;
    int ClipRight;
    QRgb Color = 0xff000000;
    QPoint Current;
};
