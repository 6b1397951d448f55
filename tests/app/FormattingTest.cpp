#include "app/Formatting.h"
#include "app/StatusLine.h"

#include "doubles/QtPrinters.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Formatting::FormatDuration;

// The process's locale for the length of a test.
class TDefaultLocale {
public:
    explicit TDefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TDefaultLocale() { QLocale::setDefault(Saved); }

private:
    QLocale Saved;
};

const auto SevenFiveNine =
    std::chrono::system_clock::time_point{} + std::chrono::seconds(1796576400 - 10 * 3600 + 5 * 60 + 9);

TEST(TimeStamps, TheTimeSeparatorIsTheLocales)
{
    for (const QLocale& locale :
         {QLocale(QLocale::Finnish, QLocale::Finland), QLocale(QLocale::Danish, QLocale::Denmark)}) {
        TDefaultLocale chosen(locale);
        const QString stamp = Formatting::TimeStamp(SevenFiveNine);
        EXPECT_TRUE(stamp.endsWith(" 2026 07.05.09"))
            << stamp.toStdString() << ": two digits each, the locale's separator";
        EXPECT_TRUE(stamp.contains(" " + locale.monthName(12, QLocale::ShortFormat) + " "))
            << stamp.toStdString() << ": the names follow the same locale";
        EXPECT_FALSE(stamp.contains(':')) << stamp.toStdString();
    }
    TDefaultLocale english(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(Formatting::TimeStamp(SevenFiveNine), "Sun 06 Dec 2026 07:05:09");
}

TEST(StatusLine, EachFigureFollowsItsOwnValueAndTheBufferIsKept)
{
    TStatusLine line;
    const std::string& first = line.Build(1234, 0, 1234567, 12, 3725);
    EXPECT_EQ(first, "Up 1,234 bytes/s, down 0 bytes/s, sent 1,234,567 bytes, received 12 bytes, duration 01:02:05");
    // Figures that repeat another's earlier value, and one that goes back to a value it had before.
    const std::string& longer = line.Build(1234, 1234, 1234567, 0, 3726);
    EXPECT_EQ(longer,
              "Up 1,234 bytes/s, down 1,234 bytes/s, sent 1,234,567 bytes, received 0 bytes, duration 01:02:06");
    const char* buffer = longer.data();
    EXPECT_EQ(line.Build(0, 1234, 1234568, 12, 3725),
              "Up 0 bytes/s, down 1,234 bytes/s, sent 1,234,568 bytes, received 12 bytes, duration 01:02:05");
    EXPECT_EQ(line.Build(0, 1234, 1234568, 12, 3725).data(), buffer) << "the same buffer each time";
}

TEST(FormatDuration, AroundItsBoundaries)
{
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(59), "00:00:59");
    EXPECT_EQ(FormatDuration(60), "00:01:00");
    EXPECT_EQ(FormatDuration(3599), "00:59:59");
    EXPECT_EQ(FormatDuration(3725), "01:02:05");
    EXPECT_EQ(FormatDuration(86400), "24:00:00");
    EXPECT_EQ(FormatDuration(360000), "100:00:00");
    EXPECT_EQ(FormatDuration(int64_t{1} << 40), "305419896:36:16");
}

} // namespace
