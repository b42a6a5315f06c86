#include "core/ValueHistory.h"
#include "core/ClientProcs.h"
#include "core/TrendCsv.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <clocale>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace pelorin::test {
namespace {

std::vector<int64_t> TimesOf(const TrendSeries& series) {
    std::vector<int64_t> times;
    for (const TrendPoint& p : series)
        times.push_back(p.ms);
    return times;
}

// Each address keeps its own values in the order they came; a clock set back does not reorder them.
TEST(ValueHistory, KeepsEachAddressInArrivalOrderAndTimeNeverRunsBack) {
    ValueHistory history;
    history.Record("A", 1000, "1.5");
    history.Record("B", 1001, "7");
    history.Record("A", 1002, "2.5");
    history.Record("A", 900, "3.5");
    EXPECT_EQ(TimesOf(history.Series("A")), (std::vector<int64_t>{1000, 1002, 1002}));
    EXPECT_EQ(history.Series("A").back().value, 3.5);
    EXPECT_EQ(TimesOf(history.Series("B")), std::vector<int64_t>{1001});
    EXPECT_TRUE(history.Series("C").empty());
    EXPECT_EQ(history.Points(), 4u);
}

TEST(ValueHistory, RecordsOnlyTextsThatHoldANumber) {
    const struct {
        const char* text;
        std::optional<double> recorded;
    } cases[] = {{"21.5", 21.5},     {" -3", -3.0},        {"1e3", 1000.0},    {"12 %", 12.0},
                 {"", std::nullopt}, {"PÅ", std::nullopt}, {"-", std::nullopt}};
    for (const auto& c : cases) {
        ValueHistory history;
        history.Record("A", 1, c.text);
        if (c.recorded)
            EXPECT_EQ(history.Series("A").at(0).value, *c.recorded) << c.text;
        else
            EXPECT_EQ(history.Points(), 0u) << c.text;
    }
}

// Past the cap the oldest points of all addresses go, whichever address they belong to: what is left
// is the newest points, within the cap.
TEST(ValueHistory, ThePointsPastTheCapAreTheOldestOfAllAddresses) {
    for (size_t cap : {1u, 10u, 64u, 1000u}) {
        ValueHistory history(cap);
        std::mt19937 random(static_cast<unsigned>(cap));
        const int64_t recorded = static_cast<int64_t>(cap) * 3 + 7;
        for (int64_t t = 1; t <= recorded; ++t)
            history.Record(std::string(1, static_cast<char>('A' + random() % 5)), t, static_cast<double>(t));
        ASSERT_LE(history.Points(), cap);
        ASSERT_GE(history.Points(), cap - cap / 64);
        std::set<int64_t> kept;
        for (const std::string address : {"A", "B", "C", "D", "E"})
            for (const TrendPoint& p : history.Series(address)) {
                EXPECT_EQ(p.value, static_cast<double>(p.ms));
                kept.insert(p.ms);
            }
        ASSERT_EQ(kept.size(), history.Points());
        EXPECT_EQ(*kept.begin(), recorded - static_cast<int64_t>(kept.size()) + 1) << "cap " << cap;
        EXPECT_EQ(*kept.rbegin(), recorded);
    }
}

TEST(ValueHistory, ClearForgetsEveryAddressAndTheLastTime) {
    ValueHistory history;
    history.Record("A", 5000, 1.0);
    history.Record("B", 5000, 2.0);
    history.Clear();
    EXPECT_EQ(history.Points(), 0u);
    EXPECT_TRUE(history.Series("A").empty());
    history.Record("A", 10, 3.0);
    EXPECT_EQ(history.Series("A").front().ms, 10);
}

// Each column's extremes are those of the points whose times fall in it; the last column ends with
// the last time shown.
TEST(ExtremesPerColumn, EveryColumnHoldsTheLowestAndHighestOfItsPoints) {
    TrendSeries series;
    std::mt19937 random(7);
    for (int64_t t = 0; t < 20000; t += 1 + static_cast<int64_t>(random() % 40))
        series.push_back({t, static_cast<double>(random() % 1000) / 10.0});
    for (const auto& [from, to, columns] : {std::tuple<int64_t, int64_t, int>{0, 19999, 300},
                                            {5000, 6000, 1000},
                                            {-500, 3000, 7},
                                            {100, 101, 3}}) {
        const std::vector<ColumnExtremes> drawn = ExtremesPerColumn(series, from, to, columns);
        ASSERT_EQ(drawn.size(), static_cast<size_t>(columns));
        std::vector<ColumnExtremes> expected(static_cast<size_t>(columns));
        for (const TrendPoint& p : series) {
            if (p.ms < from || p.ms > to)
                continue;
            int64_t c = columns - 1;
            while (p.ms < from + (to - from) * c / columns)
                --c;
            ColumnExtremes& e = expected[static_cast<size_t>(c)];
            e = {e.any ? std::min(e.min, p.value) : p.value, e.any ? std::max(e.max, p.value) : p.value,
                 true};
        }
        for (size_t c = 0; c < expected.size(); ++c) {
            EXPECT_EQ(drawn[c].any, expected[c].any) << from << " column " << c;
            EXPECT_EQ(drawn[c].min, expected[c].min) << from << " column " << c;
            EXPECT_EQ(drawn[c].max, expected[c].max) << from << " column " << c;
        }
    }
}

// Written under a Swedish locale, the file still has "." decimals and ISO times, and reads back as the
// points shown, one column per address.
TEST(TrendCsv, ReadsBackAsThePointsShownWhateverTheLocale) {
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    const char* const previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string kept = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "sv_SE.UTF-8");
    const int64_t t0 = QDateTime(QDate(2026, 3, 1), QTime(14, 5, 9, 250)).toMSecsSinceEpoch();
    ValueHistory history;
    history.Record("LB01.GT11", t0 - 1000, 19.0); // before the times shown
    history.Record("LB01.GT11", t0, 21.25);
    history.Record("RUM,1", t0, -0.5);
    history.Record("RUM,1", t0 + 1500, 1234567.125);
    history.Record("LB01.GT11", t0 + 2000, 22.0);
    const std::string csv = TrendCsv(history, {"LB01.GT11", "RUM,1"}, t0, t0 + 2000);
    std::setlocale(LC_NUMERIC, kept.c_str());
    QLocale::setDefault(QLocale(QLocale::C));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trend.csv"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(csv.data(), static_cast<qint64>(csv.size()));
    out.close();
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(in.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Tid,LB01.GT11,\"RUM,1\""));
    const struct {
        int64_t ms;
        QString first, second;
    } rows[] = {{t0, QStringLiteral("21.25"), QStringLiteral("-0.5")},
                {t0 + 1500, QString(), QStringLiteral("1234567.125")},
                {t0 + 2000, QStringLiteral("22"), QString()}};
    for (int i = 0; i < 3; ++i) {
        const QStringList fields = lines[i + 1].split(u',');
        ASSERT_EQ(fields.size(), 3) << lines[i + 1].toStdString();
        EXPECT_EQ(QDateTime::fromString(fields[0], Qt::ISODateWithMs).toMSecsSinceEpoch(), rows[i].ms);
        EXPECT_TRUE(fields[0].contains(
            QRegularExpression(QStringLiteral("T14:05:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"))))
            << fields[0].toStdString();
        EXPECT_EQ(fields[1], rows[i].first);
        EXPECT_EQ(fields[2], rows[i].second);
    }
    EXPECT_EQ(ReadNumber(lines[2].split(u',')[2].toStdString()), 1234567.125);
}

} // namespace
} // namespace pelorin::test
