#include "usage/Units.h"

#include <gtest/gtest.h>

#include <limits>

using Units::Amount;
using Units::TUnits;

TEST(Units, AmountsTakeTheLargestUnitThatKeepsThemAtLeastOne)
{
    EXPECT_EQ(Amount(1023, TUnits::IEC), "1023 B");
    EXPECT_EQ(Amount(1536, TUnits::IEC), "1.50 KiB");
    EXPECT_EQ(Amount(1048575, TUnits::IEC), "1.00 MiB") << "rounded up into the next unit";
    EXPECT_EQ(Amount(3LL << 40, TUnits::IEC), "3.00 TiB");
    EXPECT_EQ(Amount(999, TUnits::SI), "999 B");
    EXPECT_EQ(Amount(2'345'000'000, TUnits::SI), "2.35 GB") << "half up";
    EXPECT_EQ(Amount(100, TUnits::Bits), "800 bit");
    EXPECT_EQ(Amount(125'000, TUnits::Bits), "1.00 Mbit");
    EXPECT_EQ(Amount(std::numeric_limits<int64_t>::max(), TUnits::Bits), "73786976.29 Tbit") << "no overflow";
}

TEST(Units, TheStoredNameChoosesTheUnitsAndAnythingElseIsIec)
{
    for (const TUnits units : {TUnits::IEC, TUnits::SI, TUnits::Bits})
        EXPECT_EQ(Units::Parse(Units::Name(units)).Units, units);
    EXPECT_EQ(Units::Parse("BITS").Units, TUnits::Bits);
    EXPECT_TRUE(Units::Parse("si").Problem.empty());
    const Units::TChoice wrong = Units::Parse("furlongs");
    EXPECT_EQ(wrong.Units, TUnits::IEC);
    EXPECT_NE(wrong.Problem.find("furlongs"), std::string::npos) << wrong.Problem;
}
