#include "Trace.h"

namespace pelorin::sim {

Q_LOGGING_CATEGORY(lcSim, "pelorin.sim", QtInfoMsg)

} // namespace pelorin::sim
