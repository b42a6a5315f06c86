#pragma once

#include <QLoggingCategory>

namespace pelorin {

// The protocol trace of both ends, "pelorin.link": its frame and terminal lines are debug messages,
// off unless switched on; warnings (a link closed for a bad frame) always show.
Q_DECLARE_LOGGING_CATEGORY(lcLink)

} // namespace pelorin
