#pragma once

#include "core/ValueHistory.h"

#include <string>
#include <vector>

namespace pelorin {

// The points of `addresses` (Latin-1) from `from` to `to` as CSV in UTF-8, whatever the locale: a
// heading "Tid" and one column per address, then one row per time in time order with ISO 8601 local
// times (milliseconds and UTC offset) and numbers with "." as decimal separator; a column without a
// value at a row's time stays empty. Lines end with CR LF.
std::string TrendCsv(const ValueHistory& history, const std::vector<std::string>& addresses, int64_t from,
                     int64_t to);

} // namespace pelorin
