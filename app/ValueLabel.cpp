#include "ValueLabel.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The text with every digit replaced by the widest digit of its own script in the font: the widest text
// of the same shape, whatever digits it will show.
QString WidestOfItsShape(const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    QString widest = text;
    for (QChar& c : widest) {
        if (!c.isDigit()) continue;
        const char16_t zero = c.unicode() - c.digitValue();
        for (char16_t digit = zero; digit <= zero + 9; ++digit)
            if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(c)) c = QChar(digit);
    }
    return widest;
}

} // namespace

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

void TValueLabel::SetLeftLimit(int leftLimit, const QString& longestText)
{
    LeftLimitX = leftLimit;
    LongestText = longestText;
    MakeSteps();
    FitToText();
    update();
}

QFont TValueLabel::TextFont() const { return Steps[Step].Glyphs->Font(); }

void TValueLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QPointF origin(width() - TextWidth, Steps[Step].BaselineDrop);
    if (Run) {
        painter.drawGlyphRun(origin, *Run);
    } else {
        // A static text prepared for another font than the painter's would be laid out again.
        painter.setFont(TextFont());
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

// The label's own font, then one pixel smaller at a time until the longest text fits the room.
void TValueLabel::MakeSteps()
{
    StepsFont = font();
    Steps = {TStep{TFigureGlyphs::For(font())}};
    if (LongestText.isEmpty()) return;
    const qreal room = qreal(RightEdgeX) - LeftLimitX;
    const qreal ascent = QFontMetricsF(font()).ascent();
    for (int size = QFontInfo(font()).pixelSize() - 1; size >= SmallestPixelSize; --size) {
        const TFigureGlyphs& last = *Steps.back().Glyphs;
        if (LayOut(last, WidestOfItsShape(LongestText, last.Font())) <= room) break;
        QFont smaller = font();
        smaller.setPixelSize(size);
        Steps.push_back(TStep{TFigureGlyphs::For(smaller), ascent - QFontMetricsF(smaller).ascent()});
    }
}

// A new width moves the left edge only; the parent repaints what the label uncovers by itself.
void TValueLabel::FitToText()
{
    // The steps follow the label's font; a new font is a new layout.
    if (Steps.empty() || StepsFont != font()) MakeSteps();
    // Without a limit (and long before it) room is never short: the first step is the only layout.
    const qreal room = qreal(RightEdgeX) - LeftLimitX;
    Step = 0;
    TextWidth = LayOut(*Steps[Step].Glyphs, CaptionText);
    while (TextWidth > room && Step + 1 < Steps.size())
        TextWidth = LayOut(*Steps[++Step].Glyphs, CaptionText);
    const int width = qRound(TextWidth);
    const QRect fitted(RightEdgeX - width, y(), width, LabelHeight);
    if (fitted != geometry()) setGeometry(fitted);
}

// Lays out the text in the step's font and returns its width.
qreal TValueLabel::LayOut(const TFigureGlyphs& glyphs, const QString& text)
{
    Run = glyphs.Layout(text);
    if (Run) {
        Text = QStaticText();
        return Run->boundingRect().width();
    }
    Text.setText(text);
    Text.prepare(QTransform(), glyphs.Font());
    return Text.size().width();
}
