#pragma once

#include "journal/WriteJournal.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace pelorin::journal {

// A number as a server or the client writes it ("22.5", "22.50", "-3"; a "," is taken for "."):
// nothing for a text that is not one.
std::optional<double> WireNumber(const QString& text);
// Whether an answer holds what was sent: as numbers when both are ("22.50" for "22.5"), else as texts.
bool SameValue(const QString& sent, const QString& answer);
// A wire number as the operator reads it ("22,5"); any other text as it is.
QString SwedishNumber(const QString& wireText);

// The status line for a write: "LB01.GT11: 22,5 skickat" and then its outcome after a comma.
QString FeedbackText(const WriteReport& report);

// One write of the journal with its outcome when one was written.
struct JournalEntry {
    QString id{};
    QDateTime time{};
    QString visa{};
    QString server{};
    int picture = 0;
    QString address{};
    QString before{};
    QString sent{};
    // "bekräftat", "avvikande", "inget svar"; empty while none was written.
    QString outcome{};
    QString answer{};
    std::optional<qint64> afterMs{};
    QString reason{};
};

struct JournalContents {
    // Newest first.
    std::vector<JournalEntry> entries{};
    // Lines that were no journal line (cut off, edited, not JSON) and were left out.
    int damagedLines = 0;
};

// Every month file in `folder`, each write paired with its outcome by id.
JournalContents ReadJournal(const QString& folder);

struct JournalFilter {
    // Parts of the address and of the visa, in any letter case; empty matches all.
    QString address{};
    QString visa{};
    // The day of the write, as the time was written.
    std::optional<QDate> date{};
};

bool Matches(const JournalEntry& entry, const JournalFilter& filter);

// The entries as CSV: a line of headings, ISO 8601 times, numbers with "." as written, RFC 4180 quoting.
QString JournalCsv(const std::vector<JournalEntry>& entries);

} // namespace pelorin::journal
