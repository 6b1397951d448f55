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
    const QPointF origin(width() - TextWidth, 0);
    if (Run) {
        painter.drawGlyphRun(origin, *Run);
    } else {
        painter.drawStaticText(origin, Text);
    }
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
    TextWidth = LayOut();
    const int width = qRound(TextWidth);
    const QRect fitted(RightEdgeX - width, y(), width, LabelHeight);
    if (fitted != geometry()) setGeometry(fitted);
}

// Returns the caption's width.
qreal TValueLabel::LayOut()
{
    if (!Glyphs || Glyphs->Font() != font()) Glyphs = TFigureGlyphs::For(font());
    Run = Glyphs->Layout(CaptionText);
    if (Run) {
        Text = QStaticText();
        return Run->boundingRect().width();
    }
    Text.setText(CaptionText);
    Text.prepare(QTransform(), font());
    return Text.size().width();
}
