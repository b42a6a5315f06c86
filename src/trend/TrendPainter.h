#pragma once

#include "core/ValueHistory.h"

#include <QColor>
#include <QRect>
#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace pelorin {

// Trend times are milliseconds since the epoch.
constexpr int64_t kSecond = 1000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kHour = 60 * kMinute;
constexpr int64_t kDay = 24 * kHour;

// What a trend shows: the values of up to eight addresses between two times, and where the cursor
// stands, if anywhere.
struct TrendScene {
    static constexpr size_t kMaxAddresses = 8;
    const ValueHistory* history = nullptr;
    std::vector<std::string> addresses;
    int64_t from = 0;
    int64_t to = 0;
    std::optional<int64_t> cursor;
    // The present: the last value of each series holds until then (0: it ends at its last point).
    int64_t now = 0;
};

// The values a series' own scale spans, bottom to top of the plot.
struct TrendScale {
    double low = 0;
    double high = 1;
};

// Where a scene goes inside an area: the plot, whose columns are the time and whose rows are each
// series' own scale, the legend above it and the time axis below it.
struct TrendLayout {
    QRect plot;
    QRect legend;
    QRect timeAxis;
    int fontPixels = 12;
    int penWidth = 1;
    std::vector<TrendScale> scales;
    // Per series, its lowest and highest value in each column of the plot.
    std::vector<std::vector<ColumnExtremes>> columns;
};

QColor TrendColour(size_t index);
TrendLayout LayOutTrend(const QRect& area, const TrendScene& scene);
// The pixel row of `value` on `scale` in `plot`.
int RowOf(const QRect& plot, const TrendScale& scale, double value);
int64_t TimeAtColumn(const QRect& plot, const TrendScene& scene, int x);
int ColumnOf(const QRect& plot, const TrendScene& scene, int64_t ms);

// Draws each series as one vertical stroke per pixel column from its lowest to its highest value
// there, so that a million points cost a pass over them and a thousand strokes; a gap of columns
// without values is bridged by a line that leaves the columns with values untouched.
void PaintTrend(QPainter& painter, const QRect& area, const TrendScene& scene);

// The time as the trend's labels and cursor show it, local: "14:05:09".
QString TrendTimeText(int64_t ms, bool withDate);

} // namespace pelorin
