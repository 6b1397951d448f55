#pragma once

#include "TrendView.h"

#include <QImage>

#include <span>
#include <utility>

class TRaster;

// Composes the trend's picture from a view of it: the background with its black frame, then the samples
// in the trend's style. Coordinates are computed with checked arithmetic; a failure raises before anything
// is shown.
class TTrendPainter {
public:
    TTrendPainter(const TTrendView& view, QImage& image);
    void Draw();
    // Brings a picture this painter drew for the view's previous samples up to date, when each drawn
    // series gained the same number of samples since and nothing else changed: the bars move left by
    // whole pixel columns and only the columns they uncover are drawn. Returns false, drawing nothing,
    // where the shapes do not move by whole columns; the caller then draws the whole picture.
    bool Scroll(int32_t addedA, int32_t addedB);

private:
    TRaster Canvas() const;
    void DrawColumns(int left, int right);
    int Lift(int64_t value, int available) const;
    int Row(int64_t value, int available, int offset) const;
    int Nearest(double x) const;
    std::pair<int, int> BarsNear(int left, int right) const;
    void DrawBars();
    void DrawLines();
    void DrawLine(std::span<const int64_t> samples, int half, QRgb color);
    void DrawScatter();
    void DrawFilled();

    TTrendView View;
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
    int ClipLeft = 0;
    int ClipRight = 0;
};
