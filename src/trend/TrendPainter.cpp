#include "trend/TrendPainter.h"

#include "core/Latin1.h"
#include "core/NumberText.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace pelorin {

namespace {

// Steps of the time axis, of which the first that leaves room for a label is taken.
constexpr std::array<int64_t, 20> kTimeSteps = {
    kSecond,     2 * kSecond, 5 * kSecond,  10 * kSecond, 15 * kSecond, 30 * kSecond, kMinute,
    2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute, kHour,        2 * kHour,
    3 * kHour,   6 * kHour,   12 * kHour,   kDay,         7 * kDay,     30 * kDay};
// A scale has this share of its span as room above and below the values.
constexpr double kScaleRoom = 0.05;
constexpr int kGridRows = 4;
const QColor kGrid(0xE0, 0xE0, 0xE0);
const QColor kAxisText(0x40, 0x40, 0x40);
const QColor kCursor(0x80, 0x80, 0x80);

TrendScale ScaleOf(const std::vector<ColumnExtremes>& columns) {
    double low = 0, high = 0;
    bool any = false;
    for (const ColumnExtremes& c : columns) {
        if (!c.any)
            continue;
        low = any ? std::min(low, c.min) : c.min;
        high = any ? std::max(high, c.max) : c.max;
        any = true;
    }
    if (high - low < 1e-9) {
        const double half = std::max(std::abs(low) * kScaleRoom, 0.5);
        return {low - half, high + half};
    }
    const double room = (high - low) * kScaleRoom;
    return {low - room, high + room};
}

int DecimalsFor(const TrendScale& scale) {
    const double span = scale.high - scale.low;
    return span >= 100 ? 0 : span >= 10 ? 1 : 2;
}

int LegendEntryWidth(int fontPixels) {
    return fontPixels * 24;
}

void PaintLegend(QPainter& painter, const TrendLayout& layout, const TrendScene& scene) {
    const int entryWidth = LegendEntryWidth(layout.fontPixels);
    const int perRow = std::max(1, layout.legend.width() / entryWidth);
    const int lineHeight = layout.fontPixels * 3 / 2;
    for (size_t i = 0; i < scene.addresses.size(); ++i) {
        const int x = layout.legend.left() + static_cast<int>(i % perRow) * entryWidth;
        const int y = layout.legend.top() + static_cast<int>(i / perRow) * lineHeight;
        const int swatch = layout.fontPixels;
        painter.fillRect(QRect(x, y + (lineHeight - swatch) / 2, swatch, swatch), TrendColour(i));
        const TrendScale& scale = layout.scales[i];
        const int decimals = DecimalsFor(scale);
        const QString text = FromLatin1(scene.addresses[i]) + QStringLiteral("  ") +
                             QString::fromStdString(RegionalFixed(scale.low, decimals)) +
                             QStringLiteral(" … ") +
                             QString::fromStdString(RegionalFixed(scale.high, decimals));
        painter.setPen(kAxisText);
        painter.drawText(QRect(x + swatch * 3 / 2, y, entryWidth - swatch * 2, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void PaintTimeAxis(QPainter& painter, const TrendLayout& layout, const TrendScene& scene) {
    const QRect& plot = layout.plot;
    const int64_t span = scene.to - scene.from;
    const bool withDate = span > kDay;
    const int labelWidth = QFontMetrics(painter.font()).horizontalAdvance(TrendTimeText(scene.to, withDate));
    const auto step = std::find_if(kTimeSteps.begin(), kTimeSteps.end(), [&](int64_t s) {
        return static_cast<double>(s) / static_cast<double>(std::max<int64_t>(span, 1)) * plot.width() >
               labelWidth * 1.5;
    });
    const int64_t every = step == kTimeSteps.end() ? kTimeSteps.back() : *step;
    // Steps fall on whole local minutes, hours and days.
    const int64_t offset = QDateTime::fromMSecsSinceEpoch(scene.from).offsetFromUtc() * kSecond;
    for (int64_t t = ((scene.from + offset) / every + 1) * every - offset; t <= scene.to; t += every) {
        const int x = ColumnOf(plot, scene, t);
        painter.setPen(kGrid);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        // A label is centred on its line, and left out where it would run past the plot's edge.
        const QRect label(x - labelWidth / 2, layout.timeAxis.top(), labelWidth, layout.timeAxis.height());
        if (label.left() < layout.timeAxis.left() || label.right() > layout.timeAxis.right())
            continue;
        painter.setPen(kAxisText);
        painter.drawText(label.adjusted(-labelWidth / 4, 0, labelWidth / 4, 0),
                         Qt::AlignHCenter | Qt::AlignTop, TrendTimeText(t, withDate));
    }
}

void PaintGrid(QPainter& painter, const QRect& plot) {
    painter.setPen(kGrid);
    for (int row = 0; row <= kGridRows; ++row) {
        const int y = plot.top() + (plot.height() - 1) * row / kGridRows;
        painter.drawLine(plot.left(), y, plot.right(), y);
    }
}

// A value arrives when it changes and holds until the next one. So a column with values is stroked
// from its highest to its lowest value and the value held into it (the step to its values), and the
// columns without values carry the value held, level: from before the plot's first value, and after
// its last one up to the present.
void PaintSeries(QPainter& painter, const TrendLayout& layout, const TrendScene& scene, size_t index) {
    const QRect& plot = layout.plot;
    const TrendSeries& series = scene.history->Series(scene.addresses[index]);
    const std::vector<ColumnExtremes>& columns = layout.columns[index];
    const TrendScale& scale = layout.scales[index];
    painter.setPen(QPen(TrendColour(index), layout.penWidth));
    const auto heldInto = [&](int column) { return PointAt(series, TimeAtColumn(plot, scene, column) - 1); };
    const auto hold = [&](int first, int last) {
        const TrendPoint* held = heldInto(first);
        if (!held || last < first)
            return;
        const int y = RowOf(plot, scale, held->value);
        painter.drawLine(plot.left() + first, y, plot.left() + last, y);
    };
    int lastColumn = -1;
    for (int c = 0; c < plot.width(); ++c) {
        const ColumnExtremes& column = columns[static_cast<size_t>(c)];
        if (!column.any)
            continue;
        hold(lastColumn + 1, c - 1);
        const TrendPoint* held = heldInto(c);
        const double high = held ? std::max(column.max, held->value) : column.max;
        const double low = held ? std::min(column.min, held->value) : column.min;
        painter.drawLine(plot.left() + c, RowOf(plot, scale, high), plot.left() + c, RowOf(plot, scale, low));
        lastColumn = c;
    }
    const int present = ColumnOf(plot, scene, std::min(scene.now, scene.to)) - plot.left();
    hold(lastColumn + 1, std::min(present, plot.width() - 1));
}

void PaintCursor(QPainter& painter, const TrendLayout& layout, const TrendScene& scene) {
    const int x = ColumnOf(layout.plot, scene, *scene.cursor);
    painter.setPen(QPen(kCursor, layout.penWidth, Qt::DashLine));
    painter.drawLine(x, layout.plot.top(), x, layout.plot.bottom());
    for (size_t i = 0; i < scene.addresses.size(); ++i)
        if (const TrendPoint* p = PointAt(scene.history->Series(scene.addresses[i]), *scene.cursor)) {
            const int r = layout.fontPixels / 4 + 1;
            painter.setPen(QPen(TrendColour(i), layout.penWidth));
            painter.drawEllipse(QPoint(x, RowOf(layout.plot, layout.scales[i], p->value)), r, r);
        }
}

} // namespace

QColor TrendColour(size_t index) {
    static const std::array<QColor, TrendScene::kMaxAddresses> colours = {
        QColor(0x1F, 0x5F, 0xC8), QColor(0xD0, 0x30, 0x20), QColor(0x20, 0x90, 0x30),
        QColor(0xE0, 0x80, 0x00), QColor(0x80, 0x30, 0xB0), QColor(0x00, 0x90, 0x90),
        QColor(0x8B, 0x55, 0x2A), QColor(0xD0, 0x30, 0x90)};
    return colours[index % colours.size()];
}

// Text sizes follow the area, so that paper at 300 dpi gets the proportions of the screen.
TrendLayout LayOutTrend(const QRect& area, const TrendScene& scene) {
    TrendLayout layout;
    layout.fontPixels = std::max(12, area.width() / 80);
    layout.penWidth = std::max(1, layout.fontPixels / 16);
    const int margin = layout.fontPixels;
    const int lineHeight = layout.fontPixels * 3 / 2;
    const QRect inner = area.adjusted(margin, margin / 2, -margin, 0);
    const int perRow = std::max(1, inner.width() / LegendEntryWidth(layout.fontPixels));
    const int legendRows = std::max<int>(1, static_cast<int>((scene.addresses.size() + perRow - 1) / perRow));
    layout.legend = QRect(inner.left(), inner.top(), inner.width(), legendRows * lineHeight);
    layout.timeAxis =
        QRect(inner.left(), inner.bottom() - lineHeight * 3 / 2, inner.width(), lineHeight * 3 / 2);
    layout.plot = QRect(QPoint(inner.left(), layout.legend.bottom() + margin / 2),
                        QPoint(inner.right(), layout.timeAxis.top() - margin / 2));
    for (const std::string& address : scene.addresses) {
        layout.columns.push_back(
            ExtremesPerColumn(scene.history->Series(address), scene.from, scene.to, layout.plot.width()));
        layout.scales.push_back(ScaleOf(layout.columns.back()));
    }
    return layout;
}

int RowOf(const QRect& plot, const TrendScale& scale, double value) {
    const double share = (scale.high - value) / (scale.high - scale.low);
    return plot.top() + static_cast<int>(std::lround(share * (plot.height() - 1)));
}

int64_t TimeAtColumn(const QRect& plot, const TrendScene& scene, int x) {
    return scene.from + (scene.to - scene.from) * x / std::max(plot.width(), 1);
}

int ColumnOf(const QRect& plot, const TrendScene& scene, int64_t ms) {
    const double share = static_cast<double>(ms - scene.from) /
                         static_cast<double>(std::max<int64_t>(scene.to - scene.from, 1));
    return plot.left() + static_cast<int>(std::floor(share * plot.width()));
}

void PaintTrend(QPainter& painter, const QRect& area, const TrendScene& scene) {
    const TrendLayout layout = LayOutTrend(area, scene);
    painter.fillRect(area, Qt::white);
    QFont font = painter.font();
    font.setPixelSize(layout.fontPixels);
    painter.setFont(font);
    PaintGrid(painter, layout.plot);
    PaintTimeAxis(painter, layout, scene);
    painter.setPen(kAxisText);
    painter.drawRect(layout.plot.adjusted(-1, -1, 0, 0));
    PaintLegend(painter, layout, scene);
    painter.save();
    painter.setClipRect(layout.plot);
    for (size_t i = 0; i < scene.addresses.size(); ++i)
        PaintSeries(painter, layout, scene, i);
    if (scene.cursor)
        PaintCursor(painter, layout, scene);
    painter.restore();
}

QString TrendTimeText(int64_t ms, bool withDate) {
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(ms);
    return moment.toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm") : QStringLiteral("HH:mm:ss"));
}

} // namespace pelorin
