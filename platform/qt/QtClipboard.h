#pragma once

#include "platform/IClipboard.h"

class TQtClipboard final : public IClipboard {
public:
    void SetText(const std::string& text) override;
};
