#include "ValueLabel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

TValueLabel::TValueLabel(const QString& name, int rightEdge, int top, QWidget* parent)
    : QWidget(parent), RightEdgeX(rightEdge)
{
    Text.setTextFormat(Qt::PlainText);
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
    painter.drawStaticText(QPointF(width() - Text.size().width(), 0), Text);
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
    Text.setText(CaptionText);
    Text.prepare(QTransform(), font());
    const int width = qRound(Text.size().width());
    const QRect fitted(RightEdgeX - width, y(), width, LabelHeight);
    if (fitted != geometry()) setGeometry(fitted);
}
