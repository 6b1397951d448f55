#pragma once

// Settings of Qt's display connection that must be made before the application object exists.
namespace DisplayOptions {

// On X11, sends repainted pixels over the display connection instead of through shared memory.
void PrepareX11Painting();

} // namespace DisplayOptions
