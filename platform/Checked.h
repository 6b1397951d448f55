#pragma once

#include "Exceptions.h"

#include <cstdint>
#include <limits>
#include <type_traits>

// Arithmetic that raises instead of wrapping: an overflow is "Integer overflow", a value that does not fit
// its narrower target is "Range check error". Statistics are kept for months, so a silent wrap would
// corrupt them without anyone noticing.
namespace Checked {

inline int64_t Add(int64_t a, int64_t b)
{
    int64_t result;
    if (__builtin_add_overflow(a, b, &result)) throw EIntOverflow();
    return result;
}

// For the totals of months of connections: a total that reaches the largest count stays there instead of
// stopping every transition with an overflow. Only non-negative counts are summed this way.
inline int64_t SaturatingAdd(int64_t a, int64_t b)
{
    int64_t result;
    if (__builtin_add_overflow(a, b, &result))
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return result;
}

inline int64_t Sub(int64_t a, int64_t b)
{
    int64_t result;
    if (__builtin_sub_overflow(a, b, &result)) throw EIntOverflow();
    return result;
}

inline int64_t Mul(int64_t a, int64_t b)
{
    int64_t result;
    if (__builtin_mul_overflow(a, b, &result)) throw EIntOverflow();
    return result;
}

// Truncates toward zero, like the integer division of the statistics.
inline int64_t Div(int64_t a, int64_t b)
{
    if (b == 0) throw EDivByZero();
    if (a == std::numeric_limits<int64_t>::min() && b == -1) throw EIntOverflow();
    return a / b;
}

template <typename Target, typename Source> Target Narrow(Source value)
{
    static_assert(std::is_integral_v<Target> && std::is_integral_v<Source>);
    Target result;
    if (__builtin_add_overflow(value, Source{0}, &result)) throw ERangeError();
    return result;
}

} // namespace Checked
