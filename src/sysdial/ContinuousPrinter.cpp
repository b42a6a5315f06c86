#include "sysdial/ContinuousPrinter.h"

#include "platform/PrinterSurface.h"
#include "ports/Ports.h"

#include <QElapsedTimer>
#include <algorithm>
#include <iterator>

namespace pelorin {

namespace {

constexpr int kPortrait = 1;
const std::string kIndent(10, ' ');
const std::string kLineEnd = "\r\n";
const QString kDocumentName = QStringLiteral("Terminallogg");
// Longest stretch printed at once, well below a pause the operator would notice at the keyboard.
constexpr qint64 kSliceMs = 10;

} // namespace

void ReportPrintJob(OutputReport* report, const std::optional<PrintJobEnd>& end) {
    if (!report || !end)
        return;
    if (end->written)
        report->Printed(end->destination, end->toFile);
    else
        report->PrintFailed(end->destination, end->toFile);
}

ContinuousPrinter::ContinuousPrinter() {
    m_Slice.setSingleShot(true);
    m_Slice.callOnTimeout(&m_Slice, [this] { PrintSlice(); });
}

ContinuousPrinter::~ContinuousPrinter() = default;

void ContinuousPrinter::SetPrinter(PrinterSurface& printer) {
    Stop();
    m_Jobs.Use(printer);
}

void ContinuousPrinter::Start(const std::string& fontName) {
    PrinterSurface& printer = m_Jobs.Printer();
    printer.SetDocumentName(kDocumentName);
    printer.SetFontName(fontName);
    printer.SetOrientation(kPortrait);
    printer.SetFontBold(false);
    FitHundredDigitsAcross(printer);
}

// Printed from the event loop a slice at a time, so that however much arrives at once, the terminal
// keeps answering keys meanwhile.
void ContinuousPrinter::Print(std::string_view data) {
    const bool lineEndKnown = m_LineEnd < m_Pending.size();
    const size_t searchFrom = m_Pending.size();
    std::ranges::copy_if(data, std::back_inserter(m_Pending), [](char c) { return c != '\r'; });
    if (!lineEndKnown)
        m_LineEnd = NextLineFeed(searchFrom);
    if (!m_Slice.isActive())
        m_Slice.start(0);
}

void ContinuousPrinter::Stop() {
    PrintPending();
    EndJob();
}

bool ContinuousPrinter::Printing() const {
    return m_Printed < m_Pending.size();
}

void ContinuousPrinter::PrintSlice() {
    QElapsedTimer slice;
    slice.start();
    while (Printing() && slice.elapsed() < kSliceMs)
        PrintNextPiece();
    if (Printing())
        m_Slice.start(0);
}

void ContinuousPrinter::PrintPending() {
    m_Slice.stop();
    while (Printing())
        PrintNextPiece();
}

// The next row's worth of text, or the line end that starts a new row. Text continues the current row
// while it fits; the rest goes on in new rows.
void ContinuousPrinter::PrintNextPiece() {
    if (m_Printed == m_LineEnd) {
        NewRow();
        Consume(1);
        return;
    }
    const std::string_view line = std::string_view(m_Pending).substr(m_Printed, m_LineEnd - m_Printed);
    size_t length = FittingLength(line);
    if (length == 0 && !AtRowStart()) {
        NewRow();
        return;
    }
    // A character wider than a whole row is printed all the same.
    length = std::max<size_t>(length, 1);
    m_Jobs.Printer().Print(std::string(line.substr(0, length)));
    Consume(length);
    if (length < line.size())
        NewRow();
}

// Printed text is dropped once it is the larger part of the buffer, which costs each byte one move.
void ContinuousPrinter::Consume(size_t length) {
    m_Printed += length;
    if (m_Printed > m_LineEnd)
        m_LineEnd = NextLineFeed(m_Printed);
    if (m_Printed * 2 < m_Pending.size())
        return;
    m_Pending.erase(0, m_Printed);
    m_LineEnd -= m_Printed;
    m_Printed = 0;
}

// Where the next LF from `from` on is; the end of the buffer while none has come.
size_t ContinuousPrinter::NextLineFeed(size_t from) const {
    return std::min(m_Pending.find('\n', from), m_Pending.size());
}

void ContinuousPrinter::EndJob() {
    ReportPrintJob(m_Report, m_Jobs.EndDoc());
}

// How many characters from the start of `text` fit in the rest of the row.
size_t ContinuousPrinter::FittingLength(std::string_view text) {
    const PrinterSurface& printer = m_Jobs.Printer();
    return pelorin::FittingLength(printer, text, printer.ScaleWidth() - printer.CurrentX());
}

bool ContinuousPrinter::AtRowStart() {
    const PrinterSurface& printer = m_Jobs.Printer();
    return printer.CurrentX() <= printer.TextWidth(kIndent);
}

// On a printer a row that would start a new page starts a new job instead.
void ContinuousPrinter::NewRow() {
    PrinterSurface& printer = m_Jobs.Printer();
    printer.Print(kLineEnd);
    if (!printer.PrintsToPdf() && printer.PageFull(printer.TextHeight("8")))
        EndJob();
    printer.Print(kIndent);
}

} // namespace pelorin
