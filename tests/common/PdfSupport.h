#pragma once

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <vector>

// PDF output read back with poppler's tools: pdftotext, pdfinfo (page count, width in points), pdftoppm.
namespace pelorin::test {

// The PDF pages' margin, 5 mm, in points.
constexpr double kMarginPt = 5 / 25.4 * 72;

// A word of a PDF as poppler's pdftotext finds it, in points from the page's top-left corner.
struct PdfWord {
    int page;
    double xMin, yMin, xMax, yMax;
    QString text;
};

inline QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text in reading order, each page ended by a form feed.
inline QString PdfLayoutText(const QString& pdf) {
    return RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

inline std::vector<PdfWord> PdfWords(const QString& pdf) {
    const QString html =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<PdfWord> words;
    int page = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).isEmpty())
            ++page;
        else
            words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(),
                             m.captured(3).toDouble(), m.captured(4).toDouble(),
                             QTextDocumentFragment::fromHtml(m.captured(5)).toRawText()});
    }
    return words;
}

inline int PdfPageCount(const QString& pdf) {
    static const QRegularExpression pages(QStringLiteral(R"(Pages:\s+(\d+))"));
    return pages.match(RunTool(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

inline double PdfPageWidth(const QString& pdf) {
    static const QRegularExpression size(QStringLiteral(R"(Page size:\s+([\d.]+) x)"));
    return size.match(RunTool(QStringLiteral("pdfinfo"), {pdf})).captured(1).toDouble();
}

// The first page rendered at `dpi` (72 gives one pixel per point).
inline QImage PdfFirstPage(const QString& pdf, int dpi) {
    const QTemporaryDir folder;
    const QString prefix = folder.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                         QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

} // namespace pelorin::test
