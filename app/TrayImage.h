#pragma once

#include <cstdint>
#include <optional>

// The tray image of a sample: 1 idle, 2 sending only, 3 receiving only, 4 both. A negative rate matches
// none of the four tests and leaves the image as it is (no value).
inline std::optional<int32_t> TrayImageForRates(int64_t upRate, int64_t downRate)
{
    if (upRate == 0 && downRate == 0) return 1;
    if (upRate > 0 && downRate == 0) return 2;
    if (upRate == 0 && downRate > 0) return 3;
    if (upRate > 0 && downRate > 0) return 4;
    return std::nullopt;
}
