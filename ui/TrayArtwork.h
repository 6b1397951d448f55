#pragma once

#include <QIcon>
#include <QImage>

// The program's own tray pictures: a small monitor with an up arrow (sending) and a down arrow
// (receiving). State 0 offline (all grey), 1 online and idle, 2 sending, 3 receiving, 4 both; the active
// arrows take the trend's colours, red for sent and lime for received.
namespace TrayArtwork {

constexpr int StateCount = 5;

// The picture of one state on a square of size pixels, transparent around the shapes.
QImage Draw(int state, int size);

// The picture of one state at 16, 22, 24 and 32 pixels square, so that common tray sizes and
// high-density screens get a sharp one instead of a scaled one.
QIcon Icon(int state);

} // namespace TrayArtwork
