#include "StatusLogView.h"

#include <QPainter>

TStatusLogView::TStatusLogView(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    // Clicks go through to the window, so a right click here still opens the window's menu.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The paint covers every pixel, so nothing behind the log needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStatusLogView::Delete(int index)
{
    Lines.removeAt(index);
    update();
}

void TStatusLogView::Append(const QString& line)
{
    Lines.append(line);
    update();
}

QRect TStatusLogView::RowRect(int row) const
{
    const QRect inside = rect().adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
    return QRect(inside.left(), inside.top() + row * RowHeight, inside.width(), RowHeight);
}

void TStatusLogView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The flat border of a list box is the window frame colour, black in the usual palettes.
    painter.fillRect(rect(), palette().shadow());
    painter.fillRect(rect().adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth), palette().button());
    painter.setPen(palette().color(QPalette::WindowText));
    for (int row = 0; row < Count(); ++row) {
        // Text is clipped to its row, so a long line never paints over the border.
        const QRect textRect = RowRect(row).adjusted(TextLeft, 0, 0, 0);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Lines.at(row));
    }
}
