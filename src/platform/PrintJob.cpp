#include "platform/PrintJob.h"

#include "platform/PrinterSurface.h"

#include <cmath>
#include <string>

namespace pelorin {

namespace {

constexpr double kMeasuringSize = 100;
constexpr double kDigitsAcross = 100;
constexpr double kWidthTolerance = 0.5;

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

void JobPrinter::EndDoc() {
    if (m_Printer)
        m_Printer->EndDoc();
}

double FitHundredDigitsAcross(PaintSurface& printer) {
    const double kept = printer.FontSize();
    printer.SetFontSize(kMeasuringSize);
    const double digitWidthPerPoint = printer.TextWidth("8") / printer.FontSize();
    const double fitting = printer.ScaleWidth() / kDigitsAcross / digitWidthPerPoint;
    printer.SetFontSize(fitting > 0 && std::isfinite(fitting) ? fitting : kept);
    return printer.FontSize();
}

size_t FittingLength(const PaintSurface& surface, std::string_view text, double room) {
    const auto fits = [&](size_t length) {
        return surface.TextWidth(std::string(text.substr(0, length))) <= room + kWidthTolerance;
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

} // namespace pelorin
