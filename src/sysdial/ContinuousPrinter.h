#pragma once

#include "platform/PrintJob.h"

#include <string>
#include <string_view>

namespace pelorin {

class PrinterSurface;

// Continuous printing of the terminal: everything received, printed as it arrives in a print job of
// its own, so that a printout of the view meanwhile makes a document of its own. A hundred digits
// fill the width of a portrait page; every line after the first starts ten spaces in, a line longer
// than the page goes on in the next row, indented the same, and full pages are followed by new ones.
class ContinuousPrinter {
public:
    ContinuousPrinter();
    ~ContinuousPrinter();

    // The printer of the jobs from now on. Without one the system's default printer is used, or a
    // PDF file in the documents folder when there is none, made when first needed.
    void SetPrinter(PrinterSurface& printer);
    // Fits the font; the job opens with the first text printed.
    void Start(const std::string& fontName);
    // Received bytes: CRs are dropped and every LF ends a printed line.
    void Print(std::string_view data);
    // Ends the job: its pages go to the printer, or its PDF file is complete.
    void Stop();

private:
    void PrintWrapped(std::string_view text);
    size_t FittingLength(std::string_view text);
    bool AtRowStart();
    void NewRow();

    JobPrinter m_Jobs;
};

} // namespace pelorin
