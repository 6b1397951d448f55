#pragma once

// Decides, before the application object exists, whether a display is there. Without one the program
// still runs on Qt's offscreen platform and reports on standard output.
namespace HeadlessMode {

// Returns true when the program runs without a display (and selects the offscreen platform if needed).
bool PrepareHeadless();

} // namespace HeadlessMode
