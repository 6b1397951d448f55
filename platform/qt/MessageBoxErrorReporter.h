#pragma once

#include "platform/IErrorReporter.h"

class TMessageBoxErrorReporter final : public IErrorReporter {
public:
    void ShowError(const std::string& message) override;
};
