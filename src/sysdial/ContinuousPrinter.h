#pragma once

#include "platform/PrintJob.h"

#include <QTimer>
#include <optional>
#include <string>
#include <string_view>

namespace pelorin {

class OutputReport;
class PrinterSurface;
struct PrintJobEnd;

// Tells `report`, when there is one, how a print job ended.
void ReportPrintJob(OutputReport* report, const std::optional<PrintJobEnd>& end);

// Continuous printing of the terminal: everything received, printed as it arrives in a print job of
// its own, so that a printout of the view meanwhile makes a document of its own. A hundred digits
// fill the width of a portrait page; every line after the first starts ten spaces in, a line longer
// than the page goes on in the next row, indented the same. On a printer every full page ends the job,
// so that pages come out as they fill; a PDF file holds the whole log and is complete once stopped.
class ContinuousPrinter {
public:
    ContinuousPrinter();
    ~ContinuousPrinter();

    // The printer of the jobs from now on. Without one the system's default printer is used, or a
    // PDF file in the documents folder when there is none, made when first needed.
    void SetPrinter(PrinterSurface& printer);
    void SetOutputReport(OutputReport& report) { m_Report = &report; }
    // Fits the font; the job opens with the first text printed.
    void Start(const std::string& fontName);
    // Received bytes: CRs are dropped and every LF ends a printed line. They are printed soon after,
    // from the event loop, a slice at a time.
    void Print(std::string_view data);
    // Whether received text waits to be printed.
    bool Printing() const;
    // Prints what waits, then ends the job: its pages go to the printer, or its PDF file is complete.
    void Stop();

private:
    void PrintSlice();
    void PrintPending();
    void PrintNextPiece();
    void Consume(size_t length);
    size_t NextLineFeed(size_t from) const;
    size_t FittingLength(std::string_view text);
    bool AtRowStart();
    void NewRow();
    void EndJob();

    JobPrinter m_Jobs;
    OutputReport* m_Report = nullptr;
    // Received text without CRs; the part before m_Printed is on paper.
    std::string m_Pending;
    size_t m_Printed = 0;
    // The next LF not yet printed, or the end of m_Pending.
    size_t m_LineEnd = 0;
    QTimer m_Slice;
};

} // namespace pelorin
