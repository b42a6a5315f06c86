#include "core/TrendCsv.h"

#include "core/ExportText.h"
#include "core/Latin1.h"
#include "core/NumberText.h"

#include <QDateTime>
#include <algorithm>
#include <limits>

namespace pelorin {

namespace {

struct Cursor {
    TrendSeries::const_iterator next;
    TrendSeries::const_iterator end;
};

std::vector<Cursor> CursorsFrom(const ValueHistory& history, const std::vector<std::string>& addresses,
                                int64_t from, int64_t to) {
    std::vector<Cursor> cursors;
    for (const std::string& address : addresses) {
        const TrendSeries& series = history.Series(address);
        const auto lessThan = [](const TrendPoint& p, int64_t t) { return p.ms < t; };
        cursors.push_back({std::lower_bound(series.begin(), series.end(), from, lessThan),
                           std::lower_bound(series.begin(), series.end(), to + 1, lessThan)});
    }
    return cursors;
}

int64_t NextTime(const std::vector<Cursor>& cursors) {
    int64_t next = std::numeric_limits<int64_t>::max();
    for (const Cursor& cursor : cursors)
        if (cursor.next != cursor.end)
            next = std::min(next, cursor.next->ms);
    return next;
}

} // namespace

// A merge of the series by time: each row takes, per address, the next point when it has the row's
// time. Two values of one address at the same millisecond give two rows.
std::string TrendCsv(const ValueHistory& history, const std::vector<std::string>& addresses, int64_t from,
                     int64_t to) {
    std::string csv = "Tid";
    for (const std::string& address : addresses)
        csv += ',' + CsvField(FromLatin1(address)).toStdString();
    csv += "\r\n";
    std::vector<Cursor> cursors = CursorsFrom(history, addresses, from, to);
    for (int64_t time = NextTime(cursors); time != std::numeric_limits<int64_t>::max();
         time = NextTime(cursors)) {
        csv += IsoTimeWithOffset(QDateTime::fromMSecsSinceEpoch(time)).toStdString();
        for (Cursor& cursor : cursors) {
            csv += ',';
            if (cursor.next != cursor.end && cursor.next->ms == time)
                csv += DecimalText((cursor.next++)->value);
        }
        csv += "\r\n";
    }
    return csv;
}

} // namespace pelorin
