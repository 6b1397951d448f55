#include "BevelPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

TBevelPanel::TBevelPanel(const QString& name, const QString& caption, QWidget* parent)
    : QWidget(parent), CaptionText(caption)
{
    setObjectName(name);
    // The paint covers every pixel, so nothing behind the panel needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TBevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    qDrawShadePanel(&painter, rect(), palette(), /*sunken=*/true, 1);
    qDrawShadePanel(&painter, rect().adjusted(1, 1, -1, -1), palette(), /*sunken=*/false, 1);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, CaptionText);
}

void TBevelPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}
