#pragma once

#include "TrendStyle.h"

#include <QRgb>

#include <cstdint>
#include <span>

// What the painter draws from, taken from the control just before a paint: the samples are borrowed, so
// a view lives no longer than the paint it was made for, and making one allocates nothing.
struct TTrendView {
    std::span<const int64_t> DataA;
    std::span<const int64_t> DataB;
    int64_t MinVal = 0;
    int64_t MaxVal = 0;
    int32_t Divisions = 0;
    int32_t BorderWidth = 0;
    TTrendStyle Style = tsBar;
    // Series B is drawn too.
    bool Twin = false;
    QRgb ColorDataA = 0;
    QRgb ColorDataB = 0;
    QRgb Background = 0;
};
