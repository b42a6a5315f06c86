#pragma once

#include "core/LinkLog.h"

#include <QLoggingCategory>

namespace pelorin::sim {

// The protocol trace is lcLink, switched on by QT_LOGGING_RULES or the simulator's --verbose. Its
// frame lines come from DescribeFrame (core/FrameTrace.h), the same as the control's.

// Connections refused or closed by the simulator's limits; shown unless switched off.
Q_DECLARE_LOGGING_CATEGORY(lcSim)

} // namespace pelorin::sim
