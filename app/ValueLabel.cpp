#include "ValueLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

TValueLabel::TValueLabel(const QString& name, int rightEdge, int top, QWidget* parent)
    : QWidget(parent), RightEdgeX(rightEdge)
{
    setObjectName(name);
    setForegroundRole(QPalette::WindowText);
    move(rightEdge, top);
    CaptionText = name;
    FitToText();
}

void TValueLabel::SetCaption(const QString& caption)
{
    if (caption == CaptionText) return;
    CaptionText = caption;
    FitToText();
    update();
}

void TValueLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(rect(), Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, CaptionText);
}

void TValueLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

void TValueLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitToText();
}

// A new width moves the left edge only; the parent repaints what the label uncovers by itself.
void TValueLabel::FitToText()
{
    const int width = QFontMetrics(font()).horizontalAdvance(CaptionText);
    const QRect fitted(RightEdgeX - width, y(), width, LabelHeight);
    if (fitted != geometry()) setGeometry(fitted);
}
