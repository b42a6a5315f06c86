#include "trend/TrendChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace pelorin {

namespace {

// One notch of the wheel shows this share of the times.
constexpr double kZoomPerNotch = 0.8;
constexpr int64_t kShortestSpan = kSecond;

int64_t SpanOf(TrendChart::Range range) {
    switch (range) {
    case TrendChart::Range::FiveMinutes:
        return 5 * kMinute;
    case TrendChart::Range::OneHour:
        return 60 * kMinute;
    case TrendChart::Range::EightHours:
        return 8 * 60 * kMinute;
    case TrendChart::Range::All:
        break;
    }
    return 0;
}

} // namespace

TrendChart::TrendChart(const ValueHistory& history, TrendClock clock, QWidget* parent)
    : QWidget(parent), m_History(history), m_Clock(std::move(clock)) {
    setMouseTracking(true);
    setMinimumSize(480, 280);
    setCursor(Qt::CrossCursor);
}

bool TrendChart::Add(const std::string& address) {
    if (std::find(m_Addresses.begin(), m_Addresses.end(), address) != m_Addresses.end())
        return true;
    if (m_Addresses.size() >= TrendScene::kMaxAddresses)
        return false;
    m_Addresses.push_back(address);
    update();
    return true;
}

void TrendChart::SetRange(Range range) {
    m_Range = range;
    m_Following = true;
    update();
}

// "Allt" begins with the oldest point kept, and shows a second at least.
TrendScene TrendChart::Scene() const {
    TrendScene scene{.history = &m_History, .addresses = m_Addresses, .cursor = m_Cursor, .now = m_Clock()};
    if (!m_Following) {
        scene.from = m_From;
        scene.to = m_To;
        return scene;
    }
    scene.to = scene.now;
    scene.from =
        m_Range == Range::All ? m_History.FirstTime(m_Addresses, scene.to) : scene.to - SpanOf(m_Range);
    scene.from = std::min(scene.from, scene.to - kShortestSpan);
    return scene;
}

void TrendChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TrendScene scene = Scene();
    m_Plot = LayOutTrend(rect(), scene).plot;
    PaintTrend(painter, rect(), scene);
}

int64_t TrendChart::TimeAt(double x) const {
    const TrendScene scene = Scene();
    const double share = (x - m_Plot.left()) / std::max(m_Plot.width(), 1);
    return scene.from +
           static_cast<int64_t>(std::llround(share * static_cast<double>(scene.to - scene.from)));
}

void TrendChart::ShowTimes(int64_t from, int64_t to) {
    m_Following = false;
    m_From = from;
    m_To = std::max(to, from + kShortestSpan);
    update();
}

// Zooms about the time under the pointer, which stays where it is.
void TrendChart::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const TrendScene scene = Scene();
    const int64_t pivot = TimeAt(event->position().x());
    const double factor = std::pow(kZoomPerNotch, notches);
    const auto scaled = [&](int64_t t) {
        return pivot + static_cast<int64_t>(std::llround((t - pivot) * factor));
    };
    ShowTimes(scaled(scene.from), scaled(scene.to));
    event->accept();
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_DragX = event->position().x();
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    if (m_DragX && (event->buttons() & Qt::LeftButton)) {
        const TrendScene scene = Scene();
        const int64_t shift = TimeAt(*m_DragX) - TimeAt(x);
        m_DragX = x;
        ShowTimes(scene.from + shift, scene.to + shift);
    }
    m_Cursor = m_Plot.contains(event->position().toPoint()) ? std::optional(TimeAt(x)) : std::nullopt;
    update();
    if (cursorMoved)
        cursorMoved();
}

void TrendChart::mouseReleaseEvent(QMouseEvent*) {
    m_DragX.reset();
}

void TrendChart::leaveEvent(QEvent*) {
    m_Cursor.reset();
    update();
    if (cursorMoved)
        cursorMoved();
}

} // namespace pelorin
