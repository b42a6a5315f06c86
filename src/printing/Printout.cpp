#include "control/PelorinControl.h"

// Later work: the printout of the current view.
namespace pelorin {

void PelorinControl::PrintCurrentView() {}

} // namespace pelorin
