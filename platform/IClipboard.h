#pragma once

#include <string>

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Replaces the clipboard's contents with plain text (UTF-8).
    virtual void SetText(const std::string& text) = 0;
};
