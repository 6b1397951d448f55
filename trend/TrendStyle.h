#pragma once

#include <cstdint>

// How the trend draws its samples, and which series it draws: shared by the control and its painter.
enum TTrendStyle : uint8_t { tsBar, tsLine, tsScatter, tsFilled };
enum TTrendOption : uint8_t { toTwin = 1 << 0 };
using TTrendOptions = uint8_t;
