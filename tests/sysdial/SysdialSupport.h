#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace pelorin::test {

// A file's bytes, or a text no file holds when it cannot be read.
inline std::string FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(no file)");
}

// A word of a PDF as poppler's pdftotext finds it, in points from the page's top-left corner.
struct PdfWord {
    int page;
    double xMin, yMin, xMax;
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
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    std::vector<PdfWord> words;
    int page = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).isEmpty()) {
            ++page;
            continue;
        }
        QString text = m.captured(4);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        words.push_back(
            {page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(), text});
    }
    return words;
}

inline int PdfPageCount(const QString& pdf) {
    static const QRegularExpression pages(QStringLiteral(R"(Pages:\s+(\d+))"));
    return pages.match(RunTool(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

// Page width in points.
inline double PdfPageWidth(const QString& pdf) {
    static const QRegularExpression size(QStringLiteral(R"(Page size:\s+([\d.]+) x)"));
    return size.match(RunTool(QStringLiteral("pdfinfo"), {pdf})).captured(1).toDouble();
}

} // namespace pelorin::test
