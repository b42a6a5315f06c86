#include "JournalSupport.h"

#include "journal/JournalWindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>

namespace pelorin::test {
namespace {

// Two month files: three writes by two visas (two settled, one whose outcome never came), a line cut
// off by a crash and one that is no JSON at all.
const char* const kNovember =
    R"({"id":"a","type":"write","time":"2026-11-30T23:59:59.500+01:00","visa":"DEMO","server":"s:1","picture":1,"address":"LB01.GT11","before":"21.0","sent":"22.5"})"
    "\n"
    R"({"id":"a","type":"outcome","time":"2026-12-01T00:00:00.100+01:00","outcome":"bekräftat","answer":"22.50","after_ms":600})"
    "\n"
    R"({"id":"b","type":"write","time":"2026-11-30T08:00:00.000+01:00","visa":"ANNA","server":"s:1","picture":2,"address":"VS01.GT21","before":"","sent":"45"})"
    "\n"
    R"({"id":"x","type":"write","time":"2026-11-30T09:00)"
    "\n";
const char* const kDecember =
    "rubbish\n"
    R"({"id":"b","type":"outcome","time":"2026-11-30T08:00:10.000+01:00","outcome":"inget svar","reason":"tidsgräns"})"
    "\n"
    R"({"id":"c","type":"write","time":"2026-12-07T05:18:00.123+00:00","visa":"DEMO","server":"s:1","picture":1,"address":"LB01.GT11,B","before":"22.50","sent":"23"})"
    "\n";

class JournalView : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, text] :
             {std::pair{"2026-11.jsonl", kNovember}, {"2026-12.jsonl", kDecember}}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) > 0);
        }
        window.show();
    }

    // The ids of the rows shown, top to bottom.
    std::vector<std::string> ShownIds() const {
        std::vector<std::string> ids;
        for (const journal::JournalEntry& entry : window.Shown())
            ids.push_back(entry.id.toStdString());
        return ids;
    }

    QTemporaryDir dir;
    journal::JournalWindow window{dir.path()};
};

// Newest first, each narrowed by address, visa and day as typed into the window's filters.
TEST_F(JournalView, ShowsNewestFirstNarrowedByAddressVisaAndDay) {
    auto* address = window.findChild<QLineEdit*>(QStringLiteral("address"));
    auto* visa = window.findChild<QLineEdit*>(QStringLiteral("visa"));
    auto* onDay = window.findChild<QCheckBox*>(QStringLiteral("onDay"));
    auto* day = window.findChild<QDateEdit*>(QStringLiteral("day"));
    const struct {
        QString address;
        QString visa;
        std::optional<QDate> day;
        std::vector<std::string> ids;
    } cases[] = {
        {{}, {}, {}, {"c", "a", "b"}},
        {QStringLiteral("lb01"), {}, {}, {"c", "a"}},
        {{}, QStringLiteral("anna"), {}, {"b"}},
        {{}, {}, QDate(2026, 11, 30), {"a", "b"}},
        {QStringLiteral("GT11"), QStringLiteral("DEMO"), QDate(2026, 12, 7), {"c"}},
        {QStringLiteral("GT99"), {}, {}, {}},
    };
    for (const auto& [addressPart, visaPart, onThatDay, ids] : cases) {
        address->setText(addressPart);
        visa->setText(visaPart);
        onDay->setChecked(onThatDay.has_value());
        day->setDate(onThatDay.value_or(QDate(2026, 1, 1)));
        EXPECT_EQ(ShownIds(), ids) << addressPart.toStdString() << " " << visaPart.toStdString();
        EXPECT_EQ(window.findChild<QTableWidget*>()->rowCount(), static_cast<int>(ids.size()));
    }
}

// Each write is a row with Swedish numbers and its outcome; damaged lines are counted, not fatal.
TEST_F(JournalView, RowsShowTheWriteAndItsOutcomeAndDamagedLinesAreSkipped) {
    const QTableWidget* table = window.findChild<QTableWidget*>();
    QStringList headings, rows[3];
    for (int column = 0; column < table->columnCount(); ++column) {
        headings.append(table->horizontalHeaderItem(column)->text());
        for (int row = 0; row < 3; ++row)
            rows[row].append(table->item(row, column)->text());
    }
    EXPECT_EQ(headings.join(QLatin1Char('|')),
              QStringLiteral("Tid|Visa|Server|Bild|Adress|Före|Skickat|Utfall|Svar"));
    EXPECT_EQ(rows[0].join(QLatin1Char('|')),
              QStringLiteral("2026-12-07 05:18:00,123|DEMO|s:1|1|LB01.GT11,B|22,50|23|utfall saknas|"));
    EXPECT_EQ(rows[1].join(QLatin1Char('|')),
              QStringLiteral("2026-11-30 23:59:59,500|DEMO|s:1|1|LB01.GT11|21,0|22,5|bekräftat|22,50"));
    EXPECT_EQ(rows[2].join(QLatin1Char('|')),
              QStringLiteral("2026-11-30 08:00:00,000|ANNA|s:1|2|VS01.GT21||45|inget svar|"));
    const auto labels = window.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
        return label->text() == QStringLiteral("3 av 3 skrivningar – 2 skadade rader har hoppats över");
    }));
}

// The export holds what the filter shows, with ISO times and their offsets, numbers as written and quoted
// commas.
TEST_F(JournalView, ExportsTheShownWritesAsCsv) {
    window.findChild<QLineEdit*>(QStringLiteral("visa"))->setText(QStringLiteral("DEMO"));
    const QString file = dir.filePath(QStringLiteral("skrivlogg.csv"));
    ASSERT_EQ(window.ExportTo(file), QString());
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(csv.readAll()),
              QStringLiteral(
                  "Tid,Visa,Server,Bild,Adress,Före,Skickat,Utfall,Svar,Efter (s),Orsak\r\n"
                  "2026-12-07T05:18:00.123+00:00,DEMO,s:1,1,\"LB01.GT11,B\",22.50,23,,,,\r\n"
                  "2026-11-30T23:59:59.500+01:00,DEMO,s:1,1,LB01.GT11,21.0,22.5,bekräftat,22.50,0.600,\r\n"));
}

// An export that cannot be written says why instead of claiming success.
TEST_F(JournalView, AnExportThatCannotBeWrittenSaysWhy) {
    EXPECT_FALSE(window.ExportTo(dir.filePath(QStringLiteral("no/such/folder/skrivlogg.csv"))).isEmpty());
}

} // namespace
} // namespace pelorin::test
