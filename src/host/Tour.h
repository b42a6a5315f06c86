#pragma once

#include <QString>

namespace pelorin {
class PelorinControl;
}

namespace pelorin::host {

class TrendEntries;

// The scripted demo for machines without a display: logs in as the demo user DEMO (password demo),
// loads picture 1, waits for all its values, follows picture links until a picture holds a value the
// user may write, selects that value, writes a new one, follows a picture link, and saves a screenshot
// of the control after each step into `folder`; last it opens the trend of the written value and saves
// that window. Ends the application with 0 when every step was reached, 1 when one was not.
void StartTour(PelorinControl& control, const QString& folder, TrendEntries& trends);

} // namespace pelorin::host
