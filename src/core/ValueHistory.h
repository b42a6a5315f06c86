#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pelorin {

// One recorded value: milliseconds since the epoch and the number (16 bytes).
struct TrendPoint {
    int64_t ms;
    double value;
};
using TrendSeries = std::deque<TrendPoint>;

// The numeric values that arrived during a login, per address in arrival order, under one cap on the
// points of all addresses together: past it the oldest points go first, whichever address they belong
// to. Times never run backwards within the history (a clock set back records at the last time), so
// that every series is sorted by time and can be searched by it.
class ValueHistory {
public:
    // About 32 MB of points.
    static constexpr size_t kDefaultCap = 2'000'000;

    explicit ValueHistory(size_t cap = kDefaultCap);

    // `text` as the value arrived; a text without a leading number is not recorded.
    void Record(const std::string& address, int64_t ms, std::string_view text);
    void Record(const std::string& address, int64_t ms, double value);
    void Clear();

    // The points of `address`, oldest first; none when nothing was recorded for it.
    const TrendSeries& Series(const std::string& address) const;
    size_t Points() const { return m_Points; }
    size_t Cap() const { return m_Cap; }
    // The time of the oldest point of `addresses`, or of `now` when they have none.
    int64_t FirstTime(const std::vector<std::string>& addresses, int64_t now) const;
    // Changes with every point recorded or dropped, so that a view redraws only when it has to.
    uint64_t Revision() const { return m_Revision; }

private:
    void DropOldest();

    std::unordered_map<std::string, TrendSeries> m_Series;
    size_t m_Cap;
    size_t m_Points = 0;
    uint64_t m_Revision = 0;
    int64_t m_LastMs = INT64_MIN;
};

// The lowest and highest value of the points in one pixel column; `any` false for a column without.
struct ColumnExtremes {
    double min = 0;
    double max = 0;
    bool any = false;
};

// Column c of `columns` covers the times from + (to - from) * c / columns up to the next column's
// start; each column's first point is found by binary search, so that only visible points are read.
std::vector<ColumnExtremes> ExtremesPerColumn(const TrendSeries& series, int64_t from, int64_t to,
                                              int columns);

// The last point at or before `ms`; null when there is none.
const TrendPoint* PointAt(const TrendSeries& series, int64_t ms);

} // namespace pelorin
