#pragma once

#include <cstdint>
#include <string>

// What the usage file counts for an adapter over a day or a billing period.
struct TUsageFigures {
    int64_t Received = 0; // bytes
    int64_t Sent = 0;     // bytes
    int64_t Seconds = 0;  // online

    int64_t Bytes() const { return Received + Sent; }
    bool operator==(const TUsageFigures&) const = default;
};

// One line of a report: a day, or a billing period by its first day.
struct TUsageRow {
    std::string Date; // YYYY-MM-DD
    std::string Adapter;
    TUsageFigures Figures;

    bool operator==(const TUsageRow&) const = default;
};
