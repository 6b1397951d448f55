#include "BevelPanel.h"

#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

TBevelPanel::TBevelPanel(const QString& name, const QString& caption, QWidget* parent)
    : QWidget(parent), CaptionText(caption)
{
    setObjectName(name);
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
    emit DoubleClicked();
}
