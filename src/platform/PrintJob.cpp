#include "platform/PrintJob.h"

#include "platform/PrinterSurface.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace pelorin {

namespace {

constexpr double kMeasuringSize = 100;
constexpr double kDigitsAcross = 100;
constexpr double kWidthTolerance = 0.5;
// Longer than a row of a hundred digits.
constexpr size_t kFirstMeasuredLength = 128;

} // namespace

JobPrinter::JobPrinter(PrinterSurface* given) : m_Printer(given) {}

JobPrinter::~JobPrinter() = default;

PrinterSurface& JobPrinter::Printer() {
    if (!m_Printer) {
        m_OwnPrinter = std::make_unique<PrinterSurface>();
        m_Printer = m_OwnPrinter.get();
    }
    return *m_Printer;
}

std::optional<PrintJobEnd> JobPrinter::EndDoc() {
    if (!m_Printer)
        return std::nullopt;
    return m_Printer->EndDoc();
}

double FitHundredDigitsAcross(PaintSurface& printer) {
    const double kept = printer.FontSize();
    printer.SetFontSize(kMeasuringSize);
    const double digitWidthPerPoint = printer.TextWidth("8") / printer.FontSize();
    const double fitting = printer.ScaleWidth() / kDigitsAcross / digitWidthPerPoint;
    printer.SetFontSize(fitting > 0 && std::isfinite(fitting) ? fitting : kept);
    return printer.FontSize();
}

// Only prefixes are measured, doubling in length until one does not fit: a row costs time in its own
// length, not in that of the text, so that a long line is wrapped in time linear in its length.
size_t FittingLength(const PaintSurface& surface, std::string_view text, double room) {
    const auto fits = [&](size_t length) {
        return surface.TextWidth(std::string(text.substr(0, length))) <= room + kWidthTolerance;
    };
    size_t fitting = 0;
    size_t tooLong = std::min(kFirstMeasuredLength, text.size());
    while (fits(tooLong)) {
        if (tooLong == text.size())
            return tooLong;
        fitting = tooLong;
        tooLong = std::min(2 * tooLong, text.size());
    }
    while (tooLong - fitting > 1) {
        const size_t middle = fitting + (tooLong - fitting) / 2;
        (fits(middle) ? fitting : tooLong) = middle;
    }
    return fitting;
}

} // namespace pelorin
