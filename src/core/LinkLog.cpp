#include "core/LinkLog.h"

namespace pelorin {

Q_LOGGING_CATEGORY(lcLink, "pelorin.link", QtInfoMsg)

} // namespace pelorin
