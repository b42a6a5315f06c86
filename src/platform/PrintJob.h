#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace pelorin {

class PaintSurface;
class PrinterSurface;
struct PrintJobEnd;

// The printer of one kind of print job (the printout of the view, continuous printing), so that each
// kind makes documents of its own: the printer handed in, or else one made when first needed, which
// prints on the system's default printer or, without one, to a new PDF file per job in the documents
// folder.
class JobPrinter {
public:
    explicit JobPrinter(PrinterSurface* given = nullptr);
    ~JobPrinter();

    // The printer of the jobs from now on.
    void Use(PrinterSurface& printer) { m_Printer = &printer; }
    PrinterSurface& Printer();
    // Ends the open job and tells how it ended; nothing happens before a printer was handed in or made.
    std::optional<PrintJobEnd> EndDoc();

private:
    std::unique_ptr<PrinterSurface> m_OwnPrinter;
    PrinterSurface* m_Printer;
};

// Sets the font size at which a hundred digit widths fill the printable width, measured in the
// current font at a large size; returns that size. A font that measures nothing keeps its size.
double FitHundredDigitsAcross(PaintSurface& printer);

// How many characters from the start of `text` fit in `room` in the current font; text may reach half
// a unit past it (rounding, not a character).
size_t FittingLength(const PaintSurface& surface, std::string_view text, double room);

} // namespace pelorin
