#pragma once

#include <QDateTime>
#include <string>

namespace pelorin {

// A moment as the user reads it: the regional short date, a blank and the regional short time, as byte
// text. Regional formats may hold no-break or narrow spaces, a minus sign or direction marks; these
// become their plain Latin-1 forms. A format that still needs characters beyond Latin-1 gives way to
// "yyyy-MM-dd HH:mm", so the text never carries a "?".
std::string RegionalDateTime(const QDateTime& moment);

} // namespace pelorin
