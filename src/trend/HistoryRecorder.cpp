#include "trend/HistoryRecorder.h"

#include <QDateTime>

namespace pelorin {

int64_t WallClockMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

HistoryRecorder::HistoryRecorder(ValueHistory& history, TrendClock clock)
    : m_History(history), m_Clock(std::move(clock)) {}

void HistoryRecorder::LoggedIn(const std::string&, const std::string&) {
    m_History.Clear();
}

void HistoryRecorder::LoggedOut() {
    m_History.Clear();
}

void HistoryRecorder::ValueArrived(int32_t, const std::string& address, const std::string& text) {
    m_History.Record(address, m_Clock(), text);
}

} // namespace pelorin
