#include "control/PelorinControl.h"

// Later work: the setpoint panel and curve editor. Until then setpoint values and menu entries do nothing.
namespace pelorin {

void PelorinControl::ShowSetpointValue(int16_t /*Index*/, const std::string& /*Value*/) {}

void PelorinControl::OpenSetpoint(const std::string& /*MenuTag*/) {}

} // namespace pelorin
