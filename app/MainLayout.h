#pragma once

class QWidget;
struct TMainParts;

// The main window's parts and where they sit: the three groups of values, the graph, the status log and
// the popup menu. The form keeps the behaviour; this only builds what the user sees.
namespace MainLayout {

// Creates every visible component on the window and fills the parts with them.
void Build(QWidget& window, TMainParts& parts);

} // namespace MainLayout
