#include "Units.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace Units {

namespace {

struct TScale {
    const char* Plain; // the name below the first step
    std::array<const char*, 4> Names;
    int Base;
    int BitsPerByte;
};

const TScale& ScaleOf(TUnits units)
{
    static const TScale Iec{"B", {"KiB", "MiB", "GiB", "TiB"}, 1024, 1};
    static const TScale Si{"B", {"kB", "MB", "GB", "TB"}, 1000, 1};
    static const TScale Bits{"bit", {"kbit", "Mbit", "Gbit", "Tbit"}, 1000, 8};
    switch (units) {
    case TUnits::SI: return Si;
    case TUnits::Bits: return Bits;
    case TUnits::IEC: break;
    }
    return Iec;
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

TChoice Parse(std::string_view text)
{
    for (const TUnits units : {TUnits::IEC, TUnits::SI, TUnits::Bits}) {
        if (SameText(text, Name(units))) return {units, {}};
    }
    return {TUnits::IEC, "The stored units \"" + std::string(text) + "\" are not IEC, SI or bits; IEC is used."};
}

std::string Name(TUnits units)
{
    switch (units) {
    case TUnits::SI: return "SI";
    case TUnits::Bits: return "bits";
    case TUnits::IEC: break;
    }
    return "IEC";
}

std::string Amount(int64_t bytes, TUnits units)
{
    const TScale& scale = ScaleOf(units);
    // In integers wide enough for the largest count in bits, rounded half up to hundredths: no floating
    // point, so the texts are exact and the same everywhere.
    const __int128 amount = static_cast<__int128>(std::max<int64_t>(bytes, 0)) * scale.BitsPerByte;
    __int128 unit = 1;
    for (int step = 0; step < static_cast<int>(scale.Names.size()); ++step)
        unit *= scale.Base;
    char text[64];
    // Bytes below the first unit are exact as they are; above it a value may round up into the next unit.
    if (amount < scale.Base) {
        std::snprintf(text, sizeof text, "%" PRId64 " %s", static_cast<int64_t>(amount), scale.Plain);
        return text;
    }
    // The first unit always keeps an amount of at least the base at 1.00 or more.
    std::size_t step = scale.Names.size() - 1;
    __int128 hundredths = (amount * 100 + unit / 2) / unit;
    for (; hundredths < 100 && step > 0; --step) {
        unit /= scale.Base;
        hundredths = (amount * 100 + unit / 2) / unit;
    }
    std::snprintf(text, sizeof text, "%" PRId64 ".%02d %s", static_cast<int64_t>(hundredths / 100),
                  static_cast<int>(hundredths % 100), scale.Names[step]);
    return text;
}

} // namespace Units
