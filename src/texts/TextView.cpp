#include "control/PelorinControl.h"

// Later work: requesting the function description and the logbooks.
namespace pelorin {

void PelorinControl::RequestText(const std::string& /*MenuKey*/) {}

} // namespace pelorin
