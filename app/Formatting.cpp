#include "Formatting.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

namespace Formatting {

QString FormatDuration(int64_t seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64, seconds / 3600, (seconds % 3600) / 60,
                  seconds % 60);
    return QString::fromLatin1(text);
}

QString CountText(int64_t value)
{
    // Through a floating-point number, as the count texts have always been made; exact below 2^53 bytes.
    return QLocale().toString(static_cast<double>(value), 'f', 0);
}

// Counts and durations are never negative, so the largest value has the most digits and separators.
QString LongestCountText() { return CountText(std::numeric_limits<int64_t>::max()); }

QString LongestDurationText() { return FormatDuration(std::numeric_limits<int64_t>::max()); }

QString TimeSeparator(const QLocale& locale)
{
    // The locale gives no separator of its own, but its time format writes it between hours and minutes
    // ("H.mm" in Finnish, "HH:mm" in English).
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    qsizetype at = 0;
    while (at < format.size() && format[at] != 'h' && format[at] != 'H')
        ++at;
    while (at < format.size() && (format[at] == 'h' || format[at] == 'H'))
        ++at;
    QString separator;
    while (at < format.size() && format[at] != 'm')
        separator += format[at++];
    const bool plain =
        !separator.isEmpty() && at < format.size() &&
        std::none_of(separator.begin(), separator.end(), [](QChar c) { return c.isLetter() || c == '\''; });
    return plain ? separator : QStringLiteral(":");
}

QString TimeStamp(std::chrono::system_clock::time_point moment)
{
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch());
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds.count());
    const QLocale locale;
    // Quoted, so that the separator is taken as it is and never as a field of the format.
    const QString separator = "'" + TimeSeparator(locale) + "'";
    return locale.toString(local, "ddd dd MMM yyyy HH" + separator + "mm" + separator + "ss");
}

QString ConnectionName(const std::string& description)
{
    const QString name = QString::fromStdString(description);
    return name.size() > 20 ? name.left(20) + "..." : name;
}

namespace {

QString JoinedLines(const std::vector<std::string>& lines)
{
    QStringList joined;
    for (const std::string& line : lines)
        joined.append(QString::fromStdString(line));
    return joined.join("\r\n");
}

} // namespace

QString NetworkInfoText(const AdapterSnapshot& snapshot) { return JoinedLines(NetworkInfoLines(snapshot)); }

QString NetworkInfoText(const TWatchedAdapter& watched) { return JoinedLines(NetworkInfoLines(watched)); }

QString ShortenedAddress(const QString& address, qsizetype room)
{
    if (address.size() <= room) return address;
    // Whole groups from each end in turn, each side keeping the colon next to the ellipsis, while they fit;
    // the room is shorter than the address, so the two ends never meet.
    qsizetype head = 0, tail = 0; // characters kept at the start and at the end
    bool fromStart = true;
    for (int misses = 0; misses < 2; fromStart = !fromStart) {
        qsizetype newHead = head, newTail = tail;
        if (fromStart) {
            const qsizetype colon = address.indexOf(':', head);
            if (colon >= 0) newHead = colon + 1;
        } else {
            const qsizetype colon = address.lastIndexOf(':', address.size() - tail - 1);
            if (colon >= 0) newTail = address.size() - colon;
        }
        const bool grows = (newHead != head || newTail != tail) && newHead + 1 + newTail <= room;
        if (grows) {
            head = newHead;
            tail = newTail;
        }
        misses = grows ? 0 : misses + 1;
    }
    // Text without groups that fit is cut in the middle wherever it must.
    if (head == 0 || tail == 0) {
        head = (room - 1) / 2;
        tail = room - 1 - head;
    }
    return address.left(head) + QChar(0x2026) + address.right(tail);
}

} // namespace Formatting
