#pragma once

#include "TickOutcome.h"

class TMonForm;
struct TMainParts;

// Where a tick is shown: each display of the main window, its graph, the monitor's figures and graph, and
// the tray icon write their part of an outcome. Nothing here decides; an unset part leaves its display as
// it is.
namespace MainDisplays {

// Without a monitor window only the main window and the tray are written.
void Show(const TTickOutcome& outcome, TMainParts& parts, TMonForm* monitor);

} // namespace MainDisplays
