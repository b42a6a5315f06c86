#include "platform/PrinterSurface.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <utility>

namespace pelorin {

namespace {

// A PDF page keeps the margins a typical office printer cannot print on.
constexpr double pdfMarginMillimetres = 5;

// A PDF file ends with this mark; a file cut short by a full disk does not.
constexpr QByteArrayView kPdfEndMark = "%%EOF";
constexpr qint64 kPdfTailLength = 32;

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

void PrinterSurface::SetDocumentName(const QString& name) {
    m_DocumentName = name;
    m_Printer.setDocName(name);
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

bool PrinterSurface::PageFull(double lineHeight) const {
    return CurrentY() > 0 && CurrentY() + lineHeight > ScaleHeight();
}

std::optional<PrintJobEnd> PrinterSurface::EndDoc() {
    if (!JobOpen()) {
        if (!std::exchange(m_OpenFailed, false))
            return std::nullopt;
        return PrintJobEnd{false, PrintsToPdf(), Destination()};
    }
    const bool ended = m_Painter.end() && m_Printer.printerState() != QPrinter::Error;
    m_Shadow = QImage();
    SetCurrentX(0);
    SetCurrentY(0);
    applyOrientation();
    return PrintJobEnd{ended && DocumentComplete(), PrintsToPdf(), Destination()};
}

QString PrinterSurface::Destination() const {
    return PrintsToPdf() ? m_Printer.outputFileName() : m_Printer.printerName();
}

bool PrinterSurface::DocumentComplete() const {
    if (!PrintsToPdf())
        return true;
    QFile file(m_Printer.outputFileName());
    if (!file.open(QIODevice::ReadOnly) || file.size() < kPdfTailLength)
        return false;
    file.seek(file.size() - kPdfTailLength);
    return file.read(kPdfTailLength).contains(kPdfEndMark);
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
    if (!PageFull(lineHeight))
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
    if (!m_Painter.begin(&m_Printer)) {
        m_OpenFailed = true;
        return false;
    }
    m_OpenFailed = false;
    SetUpPixelPainter(m_Painter);
    startShadowPage();
    return true;
}

// A page of the same job reuses the shadow: a new one would cost tens of megabytes of fresh memory.
void PrinterSurface::startShadowPage() {
    const QSize page(m_Printer.width(), m_Printer.height());
    if (m_Shadow.size() != page) {
        m_Shadow = QImage(page, QImage::Format_RGB32);
        if (m_Shadow.isNull())
            return;
        SetImageDpi(m_Shadow, m_Printer.resolution());
    }
    m_Shadow.fill(Qt::white);
}

QString PrinterSurface::NewDocumentPath() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString stem = folder + u'/' + m_DocumentName + u' ' +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    QString path = stem + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.pdf").arg(n);
    return path;
}

} // namespace pelorin
