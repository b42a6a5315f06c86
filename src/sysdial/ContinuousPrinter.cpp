#include "sysdial/ContinuousPrinter.h"

#include "platform/PrinterSurface.h"

#include <algorithm>

namespace pelorin {

namespace {

constexpr int kPortrait = 1;
const std::string kIndent(10, ' ');
const std::string kLineEnd = "\r\n";

} // namespace

ContinuousPrinter::ContinuousPrinter() = default;
ContinuousPrinter::~ContinuousPrinter() = default;

void ContinuousPrinter::SetPrinter(PrinterSurface& printer) {
    Stop();
    m_Jobs.Use(printer);
}

void ContinuousPrinter::Start(const std::string& fontName) {
    PrinterSurface& printer = m_Jobs.Printer();
    printer.SetFontName(fontName);
    printer.SetOrientation(kPortrait);
    printer.SetFontBold(false);
    FitHundredDigitsAcross(printer);
}

void ContinuousPrinter::Print(std::string_view data) {
    std::string text(data);
    std::erase(text, '\r');
    std::string_view rest = text;
    for (size_t lineFeed = rest.find('\n'); lineFeed != std::string_view::npos; lineFeed = rest.find('\n')) {
        PrintWrapped(rest.substr(0, lineFeed));
        NewRow();
        rest.remove_prefix(lineFeed + 1);
    }
    PrintWrapped(rest);
}

void ContinuousPrinter::Stop() {
    m_Jobs.EndDoc();
}

// Text continues the current row while it fits; the rest goes on in new rows.
void ContinuousPrinter::PrintWrapped(std::string_view text) {
    while (!text.empty()) {
        size_t length = FittingLength(text);
        if (length == 0 && !AtRowStart()) {
            NewRow();
            continue;
        }
        // A character wider than a whole row is printed all the same.
        length = std::max<size_t>(length, 1);
        m_Jobs.Printer().Print(std::string(text.substr(0, length)));
        text.remove_prefix(length);
        if (!text.empty())
            NewRow();
    }
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

void ContinuousPrinter::NewRow() {
    m_Jobs.Printer().Print(kLineEnd);
    m_Jobs.Printer().Print(kIndent);
}

} // namespace pelorin
