#include "StatusLogView.h"

#include <QPainter>

TStatusLogView::TStatusLogView(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    // Clicks go through to the window, so a right click here still opens the window's menu.
    setAttribute(Qt::WA_TransparentForMouseEvents);
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

void TStatusLogView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    painter.setPen(palette().color(QPalette::WindowText));
    for (int row = 0; row < Count(); ++row) {
        const QRect rowRect(TextLeft, row * RowHeight, width() - TextLeft, RowHeight);
        painter.drawText(rowRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Lines.at(row));
    }
}
