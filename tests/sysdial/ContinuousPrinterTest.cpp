#include "sysdial/ContinuousPrinter.h"

#include "common/PdfSupport.h"
#include "platform/PrinterSurface.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pelorin::test {
namespace {

constexpr double kDevicePerPt = PrinterSurface::dotsPerInch / 72.0;

// A line of 250 digits goes on in indented rows; later lines start ten digits in, a piece without a
// line end is continued by the next, and a full page goes on on the next.
TEST(ContinuousPrinter, AHundredDigitsFillARowAndLaterRowsStartTenDigitsInOverPages) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("continuous.pdf"));
    PrinterSurface pdf(PrinterSurface::Output::Pdf);
    pdf.SetPdfPath(file);
    ContinuousPrinter printer;
    printer.SetPrinter(pdf);
    printer.Start("Courier New");
    std::string digits, lines;
    for (int i = 0; i < 250; ++i)
        digits += static_cast<char>('0' + i % 10);
    for (int i = 1; i <= 150; ++i)
        lines += QStringLiteral("Z%1\r\n").arg(i, 3, 10, QLatin1Char('0')).toStdString();
    printer.Print(digits + "\r\nABC");
    printer.Print("DEF\r\n" + lines);
    printer.Stop();

    const double rightPt = kMarginPt + pdf.ScaleWidth() / kDevicePerPt;
    const double digitPt = pdf.ScaleWidth() / 100 / kDevicePerPt;
    const std::vector<PdfWord> words = PdfWords(file);
    ASSERT_EQ(words.size(), 154u) << "rows of 100, 90 and 60 digits, ABCDEF, 150 lines";
    EXPECT_NEAR(words[0].xMin, kMarginPt, 1);
    EXPECT_NEAR(words[0].xMax, rightPt, 1.5 * digitPt) << "a hundred digits fill the width";
    EXPECT_EQ((words[0].text + words[1].text + words[2].text).toStdString(), digits);
    EXPECT_EQ(words[3].text, QStringLiteral("ABCDEF"));
    for (size_t i = 1; i < words.size(); ++i)
        EXPECT_NEAR(words[i].xMin, kMarginPt + 10 * digitPt, 1) << i;
    for (const PdfWord& word : words)
        EXPECT_LE(word.xMax, rightPt + 0.5) << "nothing runs off the page";
    for (size_t i = 0; i < 2; ++i)
        EXPECT_GT(words[i].xMax + digitPt, rightPt) << "a row is filled before the line goes on";
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(words[static_cast<size_t>(i) + 3].text,
                  QStringLiteral("Z%1").arg(i, 3, 10, QLatin1Char('0')));
    const auto rowsPerPage = static_cast<size_t>(std::floor(pdf.ScaleHeight() / pdf.TextHeight("8")));
    EXPECT_EQ(PdfPageCount(file), static_cast<int>(std::ceil(154.0 / static_cast<double>(rowsPerPage))));
    EXPECT_EQ(words[rowsPerPage].page, 2);
    EXPECT_NEAR(words[rowsPerPage].yMin, words[0].yMin, 1);
}

} // namespace
} // namespace pelorin::test
