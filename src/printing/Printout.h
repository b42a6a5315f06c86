#pragma once

namespace pelorin {

class PrinterSurface;

// The printout of the current view.
class Printout {
public:
    explicit Printout(PrinterSurface& printer);

    void PrintCurrentView();

private:
    PrinterSurface& m_Printer;
};

} // namespace pelorin
