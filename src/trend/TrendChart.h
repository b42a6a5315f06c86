#pragma once

#include "trend/HistoryRecorder.h"
#include "trend/TrendPainter.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace pelorin {

// The plot of a trend window. It follows the present with the range chosen until the operator zooms
// with the wheel or drags the time axis, which fixes the times shown; choosing a range follows again.
// The cursor follows the pointer.
class TrendChart : public QWidget {
public:
    enum class Range { FiveMinutes, OneHour, EightHours, All };

    TrendChart(const ValueHistory& history, TrendClock clock, QWidget* parent = nullptr);

    // False when the chart holds eight addresses already; an address held already is kept once.
    bool Add(const std::string& address);
    const std::vector<std::string>& Addresses() const { return m_Addresses; }
    void SetRange(Range range);
    bool Following() const { return m_Following; }
    // What is shown now.
    TrendScene Scene() const;
    // Called when the cursor moved or left.
    std::function<void()> cursorMoved;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int64_t TimeAt(double x) const;
    void ShowTimes(int64_t from, int64_t to);

    const ValueHistory& m_History;
    TrendClock m_Clock;
    std::vector<std::string> m_Addresses;
    Range m_Range = Range::FiveMinutes;
    bool m_Following = true;
    int64_t m_From = 0;
    int64_t m_To = 0;
    std::optional<int64_t> m_Cursor;
    // The plot as last painted, for the pointer's times.
    QRect m_Plot;
    std::optional<double> m_DragX;
};

} // namespace pelorin
