#pragma once

#include <QDateTime>
#include <string>

namespace pelorin {

// A moment as the user reads it: the regional short date, a blank and the regional short time, as byte
// text. Regional formats may hold no-break or narrow spaces, a minus sign or direction marks; these
// become their plain Latin-1 forms. A format that still needs characters beyond Latin-1 gives way to
// "yyyy-MM-dd HH:mm", so the text never carries a "?".
std::string RegionalDateTime(const QDateTime& moment);
// The same with the regional time with seconds, without its time zone ("2026-12-06 14:03:07"); the
// international form is then "yyyy-MM-dd HH:mm:ss".
std::string RegionalDateTimeWithSeconds(const QDateTime& moment);

} // namespace pelorin
