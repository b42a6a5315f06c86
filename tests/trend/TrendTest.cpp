#include "trend/HistoryRecorder.h"
#include "trend/TrendPainter.h"
#include "trend/TrendWindow.h"

#include "common/PdfSupport.h"
#include "common/PortFakes.h"
#include "common/ScriptedDialogs.h"
#include "common/TestSupport.h"
#include "platform/PrintJob.h"
#include "platform/PrinterSurface.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace pelorin::test {
namespace {

// The rows a colour takes in column x of the plot, top and bottom; none when it is not there.
std::optional<std::pair<int, int>> RowsOfColour(const QImage& image, const QRect& plot, int x,
                                                QColor colour) {
    std::optional<std::pair<int, int>> rows;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        if (image.pixelColor(x, y) == colour)
            rows = rows ? std::pair{rows->first, y} : std::pair{y, y};
    return rows;
}

// On a real image, every column with values is drawn from the row of its highest value to the row of
// its lowest, the value held into it from before counted in (the step to its values), not a pixel
// beyond: dense values, and sparse ones with gaps between.
TEST(TrendPainter, EachColumnIsDrawnFromItsHighestToItsLowestValue) {
    for (int64_t every : {7, 20, 450}) {
        ValueHistory history;
        std::mt19937 random(static_cast<unsigned>(every));
        std::normal_distribution<double> step(0.0, 1.0);
        double value = 50;
        for (int64_t t = 0; t <= 100000; t += every)
            history.Record("A", t, value += step(random));
        const TrendScene scene{
            .history = &history, .addresses = {"A"}, .from = 0, .to = 100000, .cursor = {}};
        QImage image(640, 360, QImage::Format_RGB32);
        QPainter painter(&image);
        PaintTrend(painter, image.rect(), scene);
        painter.end();
        const TrendLayout layout = LayOutTrend(image.rect(), scene);
        const std::vector<ColumnExtremes> columns =
            ExtremesPerColumn(history.Series("A"), scene.from, scene.to, layout.plot.width());
        int checked = 0;
        for (int c = 0; c < layout.plot.width(); ++c) {
            const ColumnExtremes& column = columns[static_cast<size_t>(c)];
            if (!column.any)
                continue;
            const TrendPoint* held = PointAt(history.Series("A"), TimeAtColumn(layout.plot, scene, c) - 1);
            const double high = held ? std::max(column.max, held->value) : column.max;
            const double low = held ? std::min(column.min, held->value) : column.min;
            const auto rows = RowsOfColour(image, layout.plot, layout.plot.left() + c, TrendColour(0));
            ASSERT_TRUE(rows) << "every " << every << " column " << c;
            EXPECT_EQ(rows->first, RowOf(layout.plot, layout.scales[0], high))
                << "every " << every << " column " << c;
            EXPECT_EQ(rows->second, RowOf(layout.plot, layout.scales[0], low))
                << "every " << every << " column " << c;
            ++checked;
        }
        EXPECT_GT(checked, layout.plot.width() / 5);
    }
}

// Values come when they change: between two, and up to the present, the value held is drawn level;
// nothing is drawn before the first value or after the present.
TEST(TrendPainter, AValueHoldsLevelUntilTheNextAndUntilThePresent) {
    ValueHistory history;
    history.Record("A", 20000, 1.0);
    history.Record("A", 60000, 3.0);
    const TrendScene scene{
        .history = &history, .addresses = {"A"}, .from = 0, .to = 100000, .cursor = {}, .now = 80000};
    QImage image(640, 360, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintTrend(painter, image.rect(), scene);
    painter.end();
    const TrendLayout layout = LayOutTrend(image.rect(), scene);
    const int low = RowOf(layout.plot, layout.scales[0], 1.0);
    const int high = RowOf(layout.plot, layout.scales[0], 3.0);
    const auto rowsAt = [&](int64_t ms) {
        return RowsOfColour(image, layout.plot, ColumnOf(layout.plot, scene, ms), TrendColour(0));
    };
    EXPECT_EQ(rowsAt(10000), std::nullopt) << "before the first value";
    EXPECT_EQ(rowsAt(40000), (std::pair{low, low})) << "the first value held";
    EXPECT_EQ(rowsAt(60000), (std::pair{high, low})) << "the step";
    EXPECT_EQ(rowsAt(70000), (std::pair{high, high})) << "the last value held";
    EXPECT_EQ(rowsAt(90000), std::nullopt) << "after the present";
}

TEST(HistoryRecorder, StampsValuesWithTheClockAndEachSessionBeginsEmpty) {
    ValueHistory history;
    int64_t now = 5000;
    HistoryRecorder recorder(history, [&now] { return now; });
    recorder.ValueArrived(0, "A", "1.5");
    now = 6000;
    recorder.ValueArrived(1, "B.PAR1", "2");
    recorder.ValueArrived(2, "C", "AV");
    EXPECT_EQ(history.Points(), 2u);
    EXPECT_EQ(history.Series("B.PAR1").front().ms, 6000);
    recorder.LoggedOut();
    EXPECT_EQ(history.Points(), 0u);
    recorder.ValueArrived(0, "A", "3");
    recorder.LoggedIn("DEMO", "127.0.0.1:1");
    EXPECT_EQ(history.Points(), 0u);
}

class TrendWindowTest : public ::testing::Test {
protected:
    TrendWindowTest() : printer(PrinterSurface::Output::Pdf), jobs(&printer) {
        printer.SetPdfPath(dir.filePath(QStringLiteral("trend.pdf")));
        for (int64_t t = now - 240000; t <= now; t += 1000) {
            history.Record("LB01.GT11", t, 20 + static_cast<double>(t % 7000) / 1000);
            history.Record("LB01.GT12", t, 60 - static_cast<double>(t % 5000) / 500);
        }
        window = std::make_unique<TrendWindow>(
            history, TrendServices{.dialogs = &dialogs, .printer = &jobs, .report = &output, .clock = [this] {
                                       return now;
                                   }});
        window->Add("LB01.GT11");
        window->Add("LB01.GT12");
    }

    QTemporaryDir dir;
    int64_t now = 1'800'000'000'000;
    ValueHistory history;
    ScriptedDialogs dialogs;
    OutputLog output;
    PrinterSurface printer;
    JobPrinter jobs;
    std::unique_ptr<TrendWindow> window;
};

// Up to eight addresses, each once; the title names them.
TEST_F(TrendWindowTest, HoldsEightAddressesEachOnceAndNamesThemInItsTitle) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Trend – LB01.GT11, LB01.GT12"));
    EXPECT_TRUE(window->Add("LB01.GT11"));
    for (int i = 3; i <= 8; ++i)
        EXPECT_TRUE(window->Add("X" + std::to_string(i)));
    EXPECT_TRUE(window->Full());
    EXPECT_FALSE(window->Add("X9"));
    EXPECT_EQ(window->Chart().Addresses().size(), 8u);
}

// The export holds what the window shows, the last five minutes; a file that cannot be written is told.
TEST_F(TrendWindowTest, ExportWritesTheShownValuesOrTellsWhyNot) {
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    dialogs.savePaths = {path, QStringLiteral("/nonexistent/folder/export.csv")};
    window->Export();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 241);
    EXPECT_EQ(lines[0], QStringLiteral("Tid,LB01.GT11,LB01.GT12"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",26,60"))) << lines[1].toStdString();
    EXPECT_EQ(dialogs.asked.size(), 1u);
    window->Export();
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[2].text, "Trenden kunde inte sparas i /nonexistent/folder/export.csv");
}

// A landscape page through the trend printer, headed by the window's title, reported as printed.
TEST_F(TrendWindowTest, PrintingMakesOneLandscapePageHeadedByTheTitle) {
    window->Print();
    const QString pdf = dir.filePath(QStringLiteral("trend.pdf"));
    ASSERT_EQ(output.lines, std::vector<std::string>{"printed " + pdf.toStdString()});
    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_GT(PdfPageWidth(pdf), 700);
    const QString text = PdfLayoutText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Trend – LB01.GT11, LB01.GT12"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("LB01.GT12"))) << text.toStdString();
}

} // namespace
} // namespace pelorin::test
