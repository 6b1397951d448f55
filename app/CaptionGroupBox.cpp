#include "CaptionGroupBox.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

TCaptionGroupBox::TCaptionGroupBox(const QString& name, const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent)
{
    setObjectName(name);
    // The group shows the window's colour, which is the button face.
    setBackgroundRole(QPalette::Button);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int TCaptionGroupBox::FrameTop() const { return fontMetrics().height() / 2; }

void TCaptionGroupBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor background = palette().color(backgroundRole());
    for (const QRect& part : event->region())
        painter.fillRect(part, background);
    // Inside the frame and below the caption there is nothing but the window colour.
    const QRect inside = FrameRect().adjusted(2, 2, -2, -2) & rect().adjusted(0, BandHeight(), 0, 0);
    if (inside.contains(event->region().boundingRect())) return;
    if (!BandIsCurrent()) DrawBand();
    DrawFrame(painter);
    painter.drawPixmap(0, 0, Band);
}

// The band depends on the palette, the font and the style as well; a change of any of them drops it.
void TCaptionGroupBox::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        Band = QPixmap();
        update();
        break;
    default: break;
    }
}

int TCaptionGroupBox::BandHeight() const { return std::max(fontMetrics().height(), FrameTop() + 2); }

QRect TCaptionGroupBox::FrameRect() const { return rect().adjusted(0, FrameTop(), 0, 0); }

// An etched line, drawn here rather than by the style: styles place their group frame below the caption,
// and some draw it from an image looked up on every paint.
void TCaptionGroupBox::DrawFrame(QPainter& painter) const
{
    qDrawShadeRect(&painter, FrameRect(), palette(), /*sunken=*/true, 1, 0);
}

bool TCaptionGroupBox::BandIsCurrent() const
{
    const qreal ratio = devicePixelRatioF();
    return !Band.isNull() && Band.devicePixelRatio() == ratio && Band.size() == QSize(width(), BandHeight()) * ratio &&
           BandTitle == title();
}

void TCaptionGroupBox::DrawBand()
{
    const qreal ratio = devicePixelRatioF();
    Band = QPixmap(QSize(width(), BandHeight()) * ratio);
    Band.setDevicePixelRatio(ratio);
    BandTitle = title();
    Band.fill(palette().color(backgroundRole()));

    QPainter painter(&Band);
    painter.setFont(font());
    DrawFrame(painter);
    // The caption's box, spaces included, is cleared first: that is the gap in the line.
    const QRect caption(CaptionLeft, 0, fontMetrics().horizontalAdvance(BandTitle), fontMetrics().height());
    painter.fillRect(caption, palette().color(backgroundRole()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, BandTitle);
}
