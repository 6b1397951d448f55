#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The units data amounts are shown in, as the stored setting Units chooses them: the usage report, the
// usage window and the notifications all write amounts through here.
namespace Units {

inline constexpr const char* SettingName = "Units";

enum class TUnits {
    IEC,  // KiB, MiB, GiB, TiB: powers of 1024
    SI,   // kB, MB, GB, TB: powers of 1000
    Bits, // kbit, Mbit, Gbit, Tbit: eight bits a byte, powers of 1000
};

struct TChoice {
    TUnits Units = TUnits::IEC;
    std::string Problem; // why the stored text was not taken, "" when it was
};

// "IEC", "SI" or "bits" in any case; anything else is IEC with a problem line.
TChoice Parse(std::string_view text);
// The stored text of the units.
std::string Name(TUnits units);

// The amount in the largest unit that keeps it at least 1, with two decimals ("1.50 GiB"); below the
// smallest unit in bytes or bits ("512 B", "800 bit"). The decimal point is always ".", whatever the
// locale, so that scripts can read the report.
std::string Amount(int64_t bytes, TUnits units);

} // namespace Units
