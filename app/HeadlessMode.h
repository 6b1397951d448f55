#pragma once

// Decides, before the application object exists, whether a display is there. Without one the program
// still runs on Qt's offscreen platform and reports on standard output.
namespace HeadlessMode {

// Returns true when the program runs without a display (and selects the offscreen platform if needed).
bool PrepareHeadless();

// Without a display, standard output is the program's own report: Qt's debug and warning messages
// ("This plugin does not support raise()") are left out of it; critical and fatal ones still reach
// standard error.
void KeepQtMessagesOutOfTheReport();

} // namespace HeadlessMode
