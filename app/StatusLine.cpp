#include "StatusLine.h"

#include "Formatting.h"

const std::string& TStatusLine::TextOf(TFigure& figure, int64_t value, TKind kind)
{
    if (figure.Formatted && figure.Value == value) return figure.Text;
    const QString text = kind == TKind::Count ? Formatting::CountText(value) : Formatting::FormatDuration(value);
    figure.Text = text.toStdString();
    figure.Value = value;
    figure.Formatted = true;
    return figure.Text;
}

const std::string& TStatusLine::Build(int64_t upRate, int64_t downRate, int64_t sent, int64_t received,
                                      int64_t duration)
{
    Line.clear(); // keeps its capacity: after the first lines no tick allocates here
    Line.append("Up ").append(TextOf(UpRate, upRate, TKind::Count));
    Line.append(" bytes/s, down ").append(TextOf(DownRate, downRate, TKind::Count));
    Line.append(" bytes/s, sent ").append(TextOf(Sent, sent, TKind::Count));
    Line.append(" bytes, received ").append(TextOf(Received, received, TKind::Count));
    Line.append(" bytes, duration ").append(TextOf(Duration, duration, TKind::Duration));
    return Line;
}
