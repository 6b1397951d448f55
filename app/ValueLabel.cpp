#include "ValueLabel.h"

#include <QEvent>
#include <QFontMetrics>

namespace {
constexpr int LabelHeight = 13;
}

TValueLabel::TValueLabel(const QString& name, int rightEdge, int top, QWidget* parent)
    : QLabel(parent), RightEdgeX(rightEdge)
{
    setObjectName(name);
    setAlignment(Qt::AlignRight | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    move(rightEdge, top);
    SetCaption(name);
}

void TValueLabel::SetCaption(const QString& caption)
{
    setText(caption);
    FitToText();
}

void TValueLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLabel::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}

void TValueLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitToText();
}

void TValueLabel::FitToText()
{
    const int width = QFontMetrics(font()).horizontalAdvance(text());
    setGeometry(RightEdgeX - width, y(), width, LabelHeight);
}
