#include "TrayArtwork.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Shapes on a 16 x 16 grid, as (x, y, width, height) cells. Other sizes put each cell edge on the nearest
// pixel edge instead of smoothing, so the picture stays sharp at every size a tray asks for.
struct TCells {
    int X, Y, W, H;
};

constexpr TCells MonitorFrame[] = {{0, 4, 10, 1}, {0, 12, 10, 1}, {0, 5, 1, 7}, {9, 5, 1, 7}};
constexpr TCells MonitorScreen[] = {{1, 5, 8, 7}};
constexpr TCells MonitorStand[] = {{3, 13, 4, 1}, {1, 14, 8, 2}};
constexpr TCells UpArrow[] = {{11, 0, 1, 1}, {10, 1, 3, 1}, {11, 2, 1, 7}};
constexpr TCells DownArrow[] = {{14, 2, 1, 7}, {13, 9, 3, 1}, {14, 10, 1, 1}};

const QColor Grey(128, 128, 128);
const QColor LightGrey(192, 192, 192);
const QColor Dark(48, 48, 48);
const QColor Screen(0, 96, 160);
const QColor Idle(96, 96, 96);
const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);

int Edge(int cell, int size) { return (cell * size + 8) / 16; }

template <std::size_t N> void Fill(QPainter& painter, int size, const TCells (&cells)[N], const QColor& color)
{
    for (const TCells& cell : cells) {
        const int left = Edge(cell.X, size);
        const int top = Edge(cell.Y, size);
        painter.fillRect(left, top, Edge(cell.X + cell.W, size) - left, Edge(cell.Y + cell.H, size) - top, color);
    }
}

} // namespace

QImage TrayArtwork::Draw(int state, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const bool online = state > 0;
    const bool sending = state == 2 || state == 4;
    const bool receiving = state == 3 || state == 4;
    Fill(painter, size, MonitorFrame, online ? Dark : Grey);
    Fill(painter, size, MonitorScreen, online ? Screen : LightGrey);
    Fill(painter, size, MonitorStand, online ? Dark : Grey);
    Fill(painter, size, DownArrow, receiving ? Lime : online ? Idle : Grey);
    Fill(painter, size, UpArrow, sending ? Red : online ? Idle : Grey);
    return image;
}

QIcon TrayArtwork::Icon(int state)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32})
        icon.addPixmap(QPixmap::fromImage(Draw(state, size)));
    return icon;
}
