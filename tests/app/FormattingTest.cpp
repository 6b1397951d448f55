#include "app/Formatting.h"
#include "app/StatusLine.h"

#include "doubles/QtPrinters.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

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

// The windows make room for the longest texts; no count or duration may come out longer, in any locale's
// grouping (India's groups of two among them), and the largest values do reach them.
TEST(LongestTexts, NoCountOrDurationIsLongerInAnyLocale)
{
    constexpr int64_t largest = std::numeric_limits<int64_t>::max();
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
          QLocale(QLocale::English, QLocale::India), QLocale(QLocale::French, QLocale::France)}) {
        SCOPED_TRACE(locale.name().toStdString());
        TDefaultLocale chosen(locale);
        const QString longest = Formatting::LongestCountText();
        for (int64_t count :
             {int64_t{0}, int64_t{999'999}, int64_t{1'000'000'000'000'000'000}, largest - 1024, largest})
            EXPECT_LE(Formatting::CountText(count).size(), longest.size()) << count;
        EXPECT_EQ(Formatting::CountText(largest - 1024).size(), longest.size());
    }
    const QString longest = Formatting::LongestDurationText();
    for (int64_t seconds : {int64_t{0}, int64_t{360000}, largest / 1000, largest - 3599, largest})
        EXPECT_LE(FormatDuration(seconds).size(), longest.size()) << seconds;
    EXPECT_EQ(FormatDuration(largest - 3599).size(), longest.size());
}

TEST(ShortenedAddress, AnAddressTooLongForItsLabelKeepsWholeGroupsAtBothEnds)
{
    using Formatting::ShortenedAddress;
    EXPECT_EQ(ShortenedAddress("255.255.255.255"), "255.255.255.255");
    EXPECT_EQ(ShortenedAddress("2001:db8:85a3::8a2e:3"), "2001:db8:85a3::8a2e:3") << "21 characters fit";
    EXPECT_EQ(ShortenedAddress("2001:0db8:85a3:0000:0000:8a2e:0370:7334"), "2001:0db8:…:0370:7334");
    EXPECT_EQ(ShortenedAddress("2001:db8:1234:5678:9abc:def0:1:2", 12), "2001:db8:…:2");
    EXPECT_EQ(ShortenedAddress(QString(30, 'x'), 9), "xxxx…xxxx") << "no groups to keep";
}

} // namespace
