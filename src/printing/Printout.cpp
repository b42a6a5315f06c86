#include "printing/Printout.h"

namespace pelorin {

Printout::Printout(PrinterSurface& printer) : m_Printer(printer) {}

// The printout comes with the printing work; until then TB_PRINT does nothing.
void Printout::PrintCurrentView() {}

} // namespace pelorin
