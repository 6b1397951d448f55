#include "platform/Checked.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr int64_t Max64 = std::numeric_limits<int64_t>::max();
constexpr int64_t Min64 = std::numeric_limits<int64_t>::min();

TEST(Checked, ArithmeticRaisesIntegerOverflowInsteadOfWrapping)
{
    EXPECT_EQ(Checked::Add(Max64 - 1, 1), Max64);
    EXPECT_THROW(Checked::Add(Max64, 1), EIntOverflow);
    EXPECT_THROW(Checked::Sub(Min64, 1), EIntOverflow);
    EXPECT_THROW(Checked::Mul(Max64 / 999, 1000), EIntOverflow);
    EXPECT_THROW(Checked::Div(Min64, -1), EIntOverflow);
    try {
        Checked::Add(Max64, Max64);
        FAIL();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Integer overflow");
    }
}

TEST(Checked, DivisionTruncatesTowardZeroAndRefusesZero)
{
    EXPECT_EQ(Checked::Div(5000 * 1000, 999), 5005);
    EXPECT_EQ(Checked::Div(-7, 2), -3);
    EXPECT_THROW(Checked::Div(1, 0), EDivByZero);
}

TEST(Checked, NarrowingOutsideTheTargetRangeIsARangeCheckError)
{
    EXPECT_EQ(Checked::Narrow<int32_t>(int64_t{2147483647}), 2147483647);
    EXPECT_THROW(Checked::Narrow<int32_t>(int64_t{2147483648}), ERangeError);
    EXPECT_THROW(Checked::Narrow<int32_t>(int64_t{-2147483649}), ERangeError);
    EXPECT_THROW(Checked::Narrow<int64_t>(uint64_t{1} << 63), ERangeError);
    try {
        Checked::Narrow<uint32_t>(-1);
        FAIL();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Range check error");
    }
}

} // namespace
