#include "CaptionGroupBox.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>

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
    if (!PictureIsCurrent()) DrawPicture();
    const qreal ratio = Picture.devicePixelRatio();
    QPainter painter(this);
    for (const QRect& part : event->region()) {
        const QRectF source(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio);
        painter.drawPixmap(QRectF(part), Picture, source);
    }
}

// The picture depends on the palette, the font and the style as well; a change of any of them drops it.
void TCaptionGroupBox::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        Picture = QPixmap();
        update();
        break;
    default: break;
    }
}

bool TCaptionGroupBox::PictureIsCurrent() const
{
    const qreal ratio = devicePixelRatioF();
    return !Picture.isNull() && Picture.devicePixelRatio() == ratio && Picture.size() == size() * ratio &&
           PictureTitle == title();
}

void TCaptionGroupBox::DrawPicture()
{
    const qreal ratio = devicePixelRatioF();
    Picture = QPixmap(size() * ratio);
    Picture.setDevicePixelRatio(ratio);
    PictureTitle = title();
    Picture.fill(palette().color(backgroundRole()));

    QPainter painter(&Picture);
    painter.setFont(font());
    // An etched line, drawn here rather than by the style: styles place their group frame below the
    // caption, and some draw it from an image looked up on every paint.
    qDrawShadeRect(&painter, rect().adjusted(0, FrameTop(), 0, 0), palette(), /*sunken=*/true, 1, 0);

    // The caption's box, spaces included, is cleared first: that is the gap in the line.
    const QRect caption(CaptionLeft, 0, fontMetrics().horizontalAdvance(PictureTitle), fontMetrics().height());
    painter.fillRect(caption, palette().color(backgroundRole()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, PictureTitle);
}
