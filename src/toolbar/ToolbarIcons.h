#pragma once

#include <QIcon>
#include <string>

namespace pelorin {

// The toolbar's button images, drawn in code; the disabled look is derived from them.
QIcon ToolbarIcon(const std::string& key);

} // namespace pelorin
