#pragma once

#include "Trend.h"

#include <QImage>

// Composes the trend's picture: the background with its black frame, then the samples in the trend's
// style. Coordinates are computed with checked arithmetic; a failure raises before anything is shown.
class TTrendPainter {
public:
    TTrendPainter(const TTrend& trend, QImage& image);
    void Draw();

private:
    int Lift(int64_t value, int available) const;
    int Row(int64_t value, int available, int offset) const;
    int Nearest(double x) const;
    void DrawBars();
    void DrawLines();
    void DrawLine(const std::vector<int64_t>& samples, int half, QRgb color);
    void DrawScatter();
    void DrawFilled();

    const TTrend& Trend;
    QImage& Image;
    int W;
    int H;
    int BW;
    int P;
    double Slot;
    int64_t Span;
    bool Twin;
    QRgb ColorA;
    QRgb ColorB;
};
