#include "core/ValueHistory.h"

#include "core/ClientProcs.h"

#include <algorithm>
#include <queue>

namespace pelorin {

namespace {

// Dropping one point per value would search all addresses for the oldest on every value once the
// cap is reached; a sixty-fourth of the cap at a time makes that search rare.
size_t KeptAfterDropping(size_t cap) {
    return cap - cap / 64;
}

using Point = TrendSeries::const_iterator;

Point FirstAtOrAfter(Point begin, Point end, int64_t ms) {
    return std::lower_bound(begin, end, ms, [](const TrendPoint& p, int64_t t) { return p.ms < t; });
}

} // namespace

ValueHistory::ValueHistory(size_t cap) : m_Cap(cap) {}

void ValueHistory::Record(const std::string& address, int64_t ms, std::string_view text) {
    if (const std::optional<double> value = ReadLeadingNumber(text))
        Record(address, ms, *value);
}

void ValueHistory::Record(const std::string& address, int64_t ms, double value) {
    if (m_Cap == 0)
        return;
    m_LastMs = std::max(ms, m_LastMs);
    m_Series[address].push_back({m_LastMs, value});
    ++m_Points;
    ++m_Revision;
    if (m_Points > m_Cap)
        DropOldest();
}

void ValueHistory::Clear() {
    m_Series.clear();
    m_Points = 0;
    m_LastMs = INT64_MIN;
    ++m_Revision;
}

const TrendSeries& ValueHistory::Series(const std::string& address) const {
    static const TrendSeries none;
    const auto found = m_Series.find(address);
    return found == m_Series.end() ? none : found->second;
}

int64_t ValueHistory::FirstTime(const std::vector<std::string>& addresses, int64_t now) const {
    int64_t first = now;
    for (const std::string& address : addresses)
        if (const TrendSeries& series = Series(address); !series.empty())
            first = std::min(first, series.front().ms);
    return first;
}

// The oldest points of all series, taken by their first points' times; a series left empty goes.
void ValueHistory::DropOldest() {
    using Front = std::pair<int64_t, TrendSeries*>;
    std::priority_queue<Front, std::vector<Front>, std::greater<>> oldest;
    for (auto& entry : m_Series)
        oldest.emplace(entry.second.front().ms, &entry.second);
    const size_t kept = KeptAfterDropping(m_Cap);
    while (m_Points > kept) {
        TrendSeries* series = oldest.top().second;
        oldest.pop();
        series->pop_front();
        --m_Points;
        if (!series->empty())
            oldest.emplace(series->front().ms, series);
    }
    std::erase_if(m_Series, [](const auto& entry) { return entry.second.empty(); });
}

std::vector<ColumnExtremes> ExtremesPerColumn(const TrendSeries& series, int64_t from, int64_t to,
                                              int columns) {
    std::vector<ColumnExtremes> result(static_cast<size_t>(std::max(columns, 0)));
    if (columns <= 0 || to <= from)
        return result;
    const int64_t span = to - from;
    Point point = FirstAtOrAfter(series.begin(), series.end(), from);
    for (int c = 0; c < columns && point != series.end(); ++c) {
        // The last column ends with `to` itself.
        const int64_t end = c + 1 == columns ? to + 1 : from + span * (c + 1) / columns;
        const Point columnEnd = FirstAtOrAfter(point, series.end(), end);
        if (point == columnEnd)
            continue;
        ColumnExtremes& column = result[static_cast<size_t>(c)];
        column = {point->value, point->value, true};
        for (; point != columnEnd; ++point) {
            column.min = std::min(column.min, point->value);
            column.max = std::max(column.max, point->value);
        }
    }
    return result;
}

const TrendPoint* PointAt(const TrendSeries& series, int64_t ms) {
    const auto after = std::upper_bound(series.begin(), series.end(), ms,
                                        [](int64_t t, const TrendPoint& p) { return t < p.ms; });
    return after == series.begin() ? nullptr : &*std::prev(after);
}

} // namespace pelorin
