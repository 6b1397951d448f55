#include "TrayArtwork.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Shapes on a 16 x 16 grid, as (x, y, width, height) cells; larger sizes repeat each cell, so every
// size is drawn without smoothing and gives the same picture.
struct TCells {
    int X, Y, W, H;
};

constexpr TCells MonitorFrame[] = {{0, 3, 11, 1}, {0, 11, 11, 1}, {0, 4, 1, 7}, {10, 4, 1, 7}};
constexpr TCells MonitorScreen[] = {{1, 4, 9, 7}};
constexpr TCells MonitorStand[] = {{4, 12, 3, 1}, {2, 13, 7, 2}};
constexpr TCells UpArrow[] = {{12, 0, 1, 1}, {11, 1, 3, 1}, {12, 2, 1, 8}};
constexpr TCells DownArrow[] = {{14, 1, 1, 8}, {13, 9, 3, 1}, {14, 10, 1, 1}};

const QColor Grey(128, 128, 128);
const QColor LightGrey(192, 192, 192);
const QColor Dark(48, 48, 48);
const QColor Screen(0, 96, 160);
const QColor Idle(96, 96, 96);
const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);

template <std::size_t N> void Fill(QPainter& painter, const TCells (&cells)[N], const QColor& color)
{
    for (const TCells& cell : cells)
        painter.fillRect(cell.X, cell.Y, cell.W, cell.H, color);
}

} // namespace

QImage TrayArtwork::Draw(int state, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(size / 16.0, size / 16.0);
    const bool online = state > 0;
    const bool sending = state == 2 || state == 4;
    const bool receiving = state == 3 || state == 4;
    Fill(painter, MonitorFrame, online ? Dark : Grey);
    Fill(painter, MonitorScreen, online ? Screen : LightGrey);
    Fill(painter, MonitorStand, online ? Dark : Grey);
    Fill(painter, DownArrow, receiving ? Lime : online ? Idle : Grey);
    Fill(painter, UpArrow, sending ? Red : online ? Idle : Grey);
    return image;
}

QIcon TrayArtwork::Icon(int state)
{
    QIcon icon;
    for (int size : {16, 32})
        icon.addPixmap(QPixmap::fromImage(Draw(state, size)));
    return icon;
}
