#pragma once

#include "core/ValueHistory.h"
#include "ports/PlantWatch.h"

#include <functional>

namespace pelorin {

// Milliseconds since the epoch, as the history records them.
using TrendClock = std::function<int64_t()>;
int64_t WallClockMs();

// Keeps every value of the session in a value history, stamped with the clock at its arrival; a new
// login and a logout begin it afresh.
class HistoryRecorder : public PlantWatch {
public:
    explicit HistoryRecorder(ValueHistory& history, TrendClock clock = WallClockMs);

    void LoggedIn(const std::string& visa, const std::string& server) override;
    void LoggedOut() override;
    void PictureShown(int32_t) override {}
    void ValueArrived(int32_t pointer, const std::string& address, const std::string& text) override;
    void WriteSent(int32_t, const std::string&, const std::string&) override {}

private:
    ValueHistory& m_History;
    TrendClock m_Clock;
};

} // namespace pelorin
