#include "sysdial/ContinuousPrinter.h"

#include "SysdialSupport.h"
#include "platform/PrinterSurface.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace pelorin::test {
namespace {

constexpr double kDevicePerPt = PrinterSurface::dotsPerInch / 72.0;

class ContinuousPrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        pdf.SetPdfPath(file);
        printer.SetPrinter(pdf);
        printer.Start("Courier New");
    }

    // The width of one digit in points, as fitted: a hundred fill the printable width.
    double DigitPt() const { return pdf.ScaleWidth() / 100 / kDevicePerPt; }
    // The right edge of the printable area in points.
    double RightPt() const { return kMarginPt + pdf.ScaleWidth() / kDevicePerPt; }

    QTemporaryDir folder;
    QString file = folder.filePath(QStringLiteral("continuous.pdf"));
    PrinterSurface pdf{PrinterSurface::Output::Pdf};
    ContinuousPrinter printer;
};

TEST_F(ContinuousPrinterTest, LinesAfterTheFirstStartTenDigitsInAndPiecesContinueTheirLineOverPages) {
    const double rowsPerPage = std::floor(pdf.ScaleHeight() / pdf.TextHeight("8"));
    printer.Print("ABC\r\nDEF");
    printer.Print("GHI\r\n");
    std::string lines;
    for (int i = 1; i <= 150; ++i)
        lines += "Z" + std::string(i < 10 ? "00" : i < 100 ? "0" : "") + std::to_string(i) + "\r\n";
    printer.Print(lines);
    printer.Print(std::string(90, '8'));
    printer.Stop();

    const std::vector<PdfWord> words = PdfWords(file);
    ASSERT_EQ(words.size(), 153u);
    EXPECT_EQ(words[0].text, QStringLiteral("ABC"));
    EXPECT_NEAR(words[0].xMin, kMarginPt, 1);
    EXPECT_EQ(words[1].text, QStringLiteral("DEFGHI")) << "the second piece continues the line";
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(words[static_cast<size_t>(i + 1)].text,
                  QStringLiteral("Z%1").arg(i, 3, 10, QLatin1Char('0')));
    for (size_t i = 1; i < words.size(); ++i)
        EXPECT_NEAR(words[i].xMin, kMarginPt + 10 * DigitPt(), 1) << words[i].text.toStdString();
    const PdfWord& eights = words.back();
    EXPECT_EQ(eights.text, QString(90, QLatin1Char('8')));
    // Font sizes come in steps of a device pixel: a hundred digits fill the width to about a digit.
    EXPECT_NEAR(eights.xMax, RightPt(), 1.5 * DigitPt()) << "a hundred digits fill the width";
    EXPECT_NEAR(RightPt(), PdfPageWidth(file) - kMarginPt, 0.5);
    EXPECT_EQ(PdfPageCount(file), static_cast<int>(std::ceil(153 / rowsPerPage)));
    EXPECT_EQ(words[static_cast<size_t>(rowsPerPage)].page, 2) << "a full page goes on on the next";
    EXPECT_NEAR(words[static_cast<size_t>(rowsPerPage)].yMin, words[0].yMin, 1);
}

TEST_F(ContinuousPrinterTest, LinesLongerThanThePageGoOnInIndentedRows) {
    std::string digits;
    for (int i = 0; i < 250; ++i)
        digits += static_cast<char>('0' + i % 10);
    printer.Print(digits + "\r\n" + digits.substr(0, 150));
    printer.Stop();

    const std::vector<PdfWord> words = PdfWords(file);
    ASSERT_EQ(words.size(), 5u) << "rows of 100, 90 and 60 digits, then of 90 and 60";
    EXPECT_NEAR(words[0].text.size(), 100, 1);
    const double digit = (words[0].xMax - words[0].xMin) / static_cast<double>(words[0].text.size());
    std::string printed;
    for (size_t i = 0; i < words.size(); ++i) {
        printed += words[i].text.toStdString() + (i == 2 ? "|" : "");
        EXPECT_NEAR(words[i].xMin, kMarginPt + (i == 0 ? 0 : 10 * digit), 1) << i;
        EXPECT_LE(words[i].xMax, RightPt() + 0.5) << "nothing runs off the page";
        if (i != 2 && i != 4) {
            EXPECT_GT(words[i].xMax + digit, RightPt()) << "a row is filled before the line goes on";
        }
    }
    EXPECT_EQ(printed, digits + "|" + digits.substr(0, 150));
}

// Points the per-user folders at a temporary home while it lives.
class HomeScope {
public:
    explicit HomeScope(const QString& home) {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            m_Saved.emplace_back(name, qgetenv(name));
            qputenv(name,
                    QFile::encodeName(home + (name[0] == 'X' ? QStringLiteral("/.config") : QString())));
        }
    }
    ~HomeScope() {
        for (const auto& [name, value] : m_Saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

private:
    std::vector<std::pair<const char*, QByteArray>> m_Saved;
};

TEST(ContinuousPrinterWithoutPrinter, EachJobIsOnePdfInTheDocumentsFolderCompleteWhenStopped) {
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this system has a printer: the job would go on paper";
    QTemporaryDir home;
    const HomeScope scope(home.path());
    const QDir documents(home.filePath(QStringLiteral("Documents")));
    ContinuousPrinter printer;
    for (const char* job : {"ABC", "DEF"}) {
        printer.Start("Courier New");
        printer.Print(std::string(job) + "\r\n");
        printer.Print("123");
        printer.Stop();
    }
    const QStringList pdfs = documents.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    ASSERT_EQ(pdfs.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QString text = PdfLayoutText(documents.filePath(pdfs[i]));
        EXPECT_TRUE(text.contains(QStringLiteral("ABC")) != text.contains(QStringLiteral("DEF"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("123"))) << i;
    }
}

} // namespace
} // namespace pelorin::test
