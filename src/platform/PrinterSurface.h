#pragma once

#include "platform/PainterSurface.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <functional>
#include <optional>

namespace pelorin {

// How a print job ended: whether the whole document reached its file or printer, and which.
struct PrintJobEnd {
    bool written = false;
    bool toFile = false;
    // The PDF file, or the printer's name.
    QString destination;
};

// The printer as a drawing surface. Output goes to the system's default printer when there is one,
// otherwise (or when PDF output is asked for) to a PDF file. The first drawing call opens a job and
// EndDoc ends it.
//
// Paper cannot be read back, so every operation is also drawn on a shadow image of the current page;
// FloodFill finds its region there and fills the same rectangles on paper, and XOR drawing puts on
// paper what it would give on white. Jobs run at 300 dpi and the shadow has the page's device pixels
// one to one (about 35 MB for A4): exact, and far from the gigabyte a 1200 dpi page would need.
class PrinterSurface : public PainterSurface {
public:
    enum class Output { DefaultPrinterOrPdf, Pdf };
    static constexpr int dotsPerInch = 300;

    explicit PrinterSurface(Output output = Output::DefaultPrinterOrPdf);
    // An open job is ended, so that what was drawn is not lost.
    ~PrinterSurface() override;

    // Where PDF jobs are written; empty (the default) makes a new file per job in the documents folder.
    void SetPdfPath(const QString& path) { m_PdfPath = path; }
    // Names the next jobs: the printer's job name, and the start of a new PDF file's name, which goes
    // on with the date and time.
    void SetDocumentName(const QString& name);
    // The file of the open or last PDF job; empty when printing to a printer.
    QString OutputFileName() const;
    bool PrintsToPdf() const { return m_Printer.outputFormat() == QPrinter::PdfFormat; }

    bool IsPrinter() const override { return true; }
    // The printable area in device pixels.
    double ScaleWidth() const override { return m_Printer.width(); }
    double ScaleHeight() const override { return m_Printer.height(); }
    // Puts nothing on paper; the print position returns to the top-left corner.
    void Cls() override;

    // 1 portrait, 2 landscape; other values are ignored. Takes effect when no job is open (paper does
    // not turn in the middle of a job); while one is, it applies from the next job.
    void SetOrientation(int orientation);
    int Orientation() const { return m_Orientation; }

    bool JobOpen() const { return m_Painter.isActive(); }
    // Ends the page and starts a new one (opening the job if necessary).
    void NewPage();
    // Whether the text of `lineHeight` at the print position runs off the page.
    bool PageFull(double lineHeight) const;
    // Ends the job and sends it to the printer. Tells how it ended, also when it could not be opened;
    // nothing when no job was begun.
    std::optional<PrintJobEnd> EndDoc();

protected:
    void drawOnTargets(const std::function<void(QPainter&)>& draw) override;
    QImage& raster() override { return m_Shadow; }
    const QPaintDevice& metricsDevice() const override { return m_Printer; }
    bool xorOnWhitePaper() const override { return true; }
    void beforeTextLine(double lineHeight) override;

private:
    bool openJob();
    void applyOrientation();
    void startShadowPage();
    QString NewDocumentPath() const;
    QString Destination() const;
    bool DocumentComplete() const;

    QPrinter m_Printer;
    QPainter m_Painter;
    QImage m_Shadow;
    QString m_PdfPath;
    QString m_DocumentName = QStringLiteral("Utskrift");
    // A job was asked for and could not be opened.
    bool m_OpenFailed = false;
    int m_Orientation = 1;
};

} // namespace pelorin
