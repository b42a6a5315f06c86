#pragma once

namespace pelorin {

// Makes byte text boxes (the terminal, the text view) known to Qt's accessibility: a screen reader
// reads their text, caret and selection.
void InstallByteTextAccess();

} // namespace pelorin
