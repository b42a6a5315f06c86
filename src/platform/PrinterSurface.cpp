#include "platform/PrinterSurface.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <utility>

namespace pelorin {

namespace {

// A PDF page keeps the margins a typical office printer cannot print on.
constexpr double pdfMarginMillimetres = 5;

std::function<void(const QString&)>& PdfWrittenReport() {
    static std::function<void(const QString&)> report;
    return report;
}

QPageLayout::Orientation PageOrientation(int orientation) {
    return orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
}

} // namespace

PrinterSurface::PrinterSurface(Output output)
    : PainterSurface(0, 0xFFFFFF), m_Printer(QPrinter::HighResolution) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (output == Output::DefaultPrinterOrPdf && !defaultPrinter.isNull()) {
        m_Printer.setPrinterName(defaultPrinter.printerName());
    } else {
        m_Printer.setOutputFormat(QPrinter::PdfFormat);
        m_Printer.setPageSize(QPageSize(QPageSize::A4));
        const double m = pdfMarginMillimetres;
        m_Printer.setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Millimeter);
    }
    m_Printer.setResolution(dotsPerInch);
    m_Orientation = m_Printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
}

PrinterSurface::~PrinterSurface() {
    EndDoc();
}

void PrinterSurface::SetPdfWrittenReport(std::function<void(const QString& file)> report) {
    PdfWrittenReport() = std::move(report);
}

QString PrinterSurface::OutputFileName() const {
    return PrintsToPdf() ? m_Printer.outputFileName() : QString();
}

void PrinterSurface::Cls() {
    SetCurrentX(0);
    SetCurrentY(0);
}

void PrinterSurface::SetOrientation(int orientation) {
    if (orientation != 1 && orientation != 2)
        return;
    m_Orientation = orientation;
    if (!JobOpen())
        applyOrientation();
}

void PrinterSurface::applyOrientation() {
    m_Printer.setPageOrientation(PageOrientation(m_Orientation));
}

void PrinterSurface::NewPage() {
    if (!openJob())
        return;
    m_Printer.newPage();
    startShadowPage();
    SetCurrentX(0);
    SetCurrentY(0);
}

void PrinterSurface::EndDoc() {
    if (!JobOpen())
        return;
    m_Painter.end();
    m_Shadow = QImage();
    SetCurrentX(0);
    SetCurrentY(0);
    applyOrientation();
    if (PrintsToPdf() && PdfWrittenReport())
        PdfWrittenReport()(OutputFileName());
}

void PrinterSurface::drawOnTargets(const std::function<void(QPainter&)>& draw) {
    if (!openJob())
        return;
    m_Painter.save();
    draw(m_Painter);
    m_Painter.restore();
    if (m_Shadow.isNull())
        return;
    QPainter shadow(&m_Shadow);
    SetUpPixelPainter(shadow);
    draw(shadow);
}

// Text that would run off the page continues at the top of a new one.
void PrinterSurface::beforeTextLine(double lineHeight) {
    if (CurrentY() <= 0 || CurrentY() + lineHeight <= ScaleHeight())
        return;
    const double x = CurrentX();
    NewPage();
    SetCurrentX(x);
}

bool PrinterSurface::openJob() {
    if (JobOpen())
        return true;
    if (PrintsToPdf()) {
        const QString path = m_PdfPath.isEmpty() ? NewDocumentPath() : m_PdfPath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        m_Printer.setOutputFileName(path);
    }
    if (!m_Painter.begin(&m_Printer))
        return false;
    SetUpPixelPainter(m_Painter);
    startShadowPage();
    return true;
}

void PrinterSurface::startShadowPage() {
    m_Shadow = QImage(m_Printer.width(), m_Printer.height(), QImage::Format_RGB32);
    if (m_Shadow.isNull())
        return;
    SetImageDpi(m_Shadow, m_Printer.resolution());
    m_Shadow.fill(Qt::white);
}

QString PrinterSurface::NewDocumentPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString stem = folder + QStringLiteral("/Utskrift ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    QString path = stem + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.pdf").arg(n);
    return path;
}

} // namespace pelorin
