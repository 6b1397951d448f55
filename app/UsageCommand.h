#pragma once

#include "CommandLine.h"

#include "usage/UsageReport.h"

#include <string>

// `qorvix --usage`: the billing period and the units from the settings file at registryPath, which is only
// read, and the report of the usage file at usagePath, also only read: the program may be running.
namespace UsageCommand {

UsageReport::TRequest Request(const CommandLine::TParsed& parsed, const std::string& registryPath,
                              const std::string& usagePath, std::chrono::year_month_day today);

} // namespace UsageCommand
