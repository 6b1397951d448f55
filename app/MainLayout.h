#pragma once

class TMainForm;

// The main window's parts and where they sit: the three groups of values, the graph, the status log and
// the popup menu. The form keeps the behaviour; this only builds what the user sees.
namespace MainLayout {

// Creates every visible component of the form and fills the form's component pointers.
void Build(TMainForm& form);

} // namespace MainLayout
