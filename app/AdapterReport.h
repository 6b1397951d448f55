#pragma once

#include "netinfo/AdapterChoice.h"

#include <optional>
#include <string>

class IIpHelper;

// What `qorvix --info` and `qorvix --list-adapters` print: the adapter tables read once, with no display, no
// instance lock and nothing stored.
namespace AdapterReport {

struct TOutcome {
    std::string Output; // for standard output, lines ending in a line feed
    int ExitCode = 0;
};

// The choice given on the command line, or else the one stored in the settings file at registryPath, which
// is only read: a running instance may be writing it at this moment.
TAdapterChoice ChooseWithSettings(const std::string& registryPath, const std::optional<std::string>& given);

// The network information of the adapter the choice watches; "N/A" and 1 when it watches none.
TOutcome Info(IIpHelper& ipHelper, const TAdapterChoice& choice);

// One line per interface: its name, kind, state and addresses, separated by tabs (addresses by spaces).
TOutcome ListAdapters(IIpHelper& ipHelper);

} // namespace AdapterReport
