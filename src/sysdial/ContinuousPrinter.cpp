#include "sysdial/ContinuousPrinter.h"

#include "platform/PrinterSurface.h"

#include <algorithm>

namespace pelorin {

namespace {

constexpr int kPortrait = 1;
// The font is measured at this size and scaled so that this many digits fill the page's width.
constexpr double kMeasuringSize = 100;
constexpr double kDigitsAcross = 100;
const std::string kIndent(10, ' ');
const std::string kLineEnd = "\r\n";
// Text may reach this far past the printable width: rounding, not a character.
constexpr double kWidthTolerance = 0.5;

} // namespace

ContinuousPrinter::ContinuousPrinter() = default;
ContinuousPrinter::~ContinuousPrinter() = default;

void ContinuousPrinter::SetPrinter(PrinterSurface& printer) {
    Stop();
    m_Printer = &printer;
}

PrinterSurface& ContinuousPrinter::Printer() {
    if (!m_Printer) {
        m_OwnPrinter = std::make_unique<PrinterSurface>();
        m_Printer = m_OwnPrinter.get();
    }
    return *m_Printer;
}

void ContinuousPrinter::Start(const std::string& fontName) {
    PrinterSurface& printer = Printer();
    printer.SetFontName(fontName);
    printer.SetOrientation(kPortrait);
    printer.SetFontBold(false);
    printer.SetFontSize(kMeasuringSize);
    const double digitWidthPerPoint = printer.TextWidth("8") / printer.FontSize();
    printer.SetFontSize(printer.ScaleWidth() / kDigitsAcross / digitWidthPerPoint);
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
    if (m_Printer)
        m_Printer->EndDoc();
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
        Printer().Print(std::string(text.substr(0, length)));
        text.remove_prefix(length);
        if (!text.empty())
            NewRow();
    }
}

// How many characters from the start of `text` fit in the rest of the row.
size_t ContinuousPrinter::FittingLength(std::string_view text) {
    PrinterSurface& printer = Printer();
    const double room = printer.ScaleWidth() - printer.CurrentX() + kWidthTolerance;
    const auto fits = [&](size_t length) {
        return printer.TextWidth(std::string(text.substr(0, length))) <= room;
    };
    if (fits(text.size()))
        return text.size();
    size_t fitting = 0;
    size_t tooLong = text.size();
    while (tooLong - fitting > 1) {
        const size_t middle = fitting + (tooLong - fitting) / 2;
        (fits(middle) ? fitting : tooLong) = middle;
    }
    return fitting;
}

bool ContinuousPrinter::AtRowStart() {
    PrinterSurface& printer = Printer();
    return printer.CurrentX() <= printer.TextWidth(kIndent);
}

void ContinuousPrinter::NewRow() {
    Printer().Print(kLineEnd);
    Printer().Print(kIndent);
}

} // namespace pelorin
