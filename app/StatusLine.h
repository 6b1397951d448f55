#pragma once

#include <cstdint>
#include <string>

// The status line a console shows once a second while a connection runs, built from the figures
// themselves. It runs for months, so the line is written into one buffer that is kept, and a figure is
// formatted again only when it changed since the previous line.
class TStatusLine {
public:
    const std::string& Build(int64_t upRate, int64_t downRate, int64_t sent, int64_t received, int64_t duration);

private:
    // One figure and its text as last formatted.
    struct TFigure {
        int64_t Value = 0;
        bool Formatted = false;
        std::string Text;
    };
    enum class TKind { Count, Duration };

    static const std::string& TextOf(TFigure& figure, int64_t value, TKind kind);

    TFigure UpRate;
    TFigure DownRate;
    TFigure Sent;
    TFigure Received;
    TFigure Duration;
    std::string Line;
};
