#pragma once

#include <QDateTime>
#include <QString>

// Texts that leave the program for other tools: times and CSV fields.
namespace pelorin {

// ISO 8601 with milliseconds and the UTC offset of `time`, "2026-12-07T05:18:00.123+01:00", and
// "+00:00" at UTC too where Qt would write "Z": a line reads the same in any time zone and across a
// change of summer time.
QString IsoTimeWithOffset(const QDateTime& time);

// A field with a separator, a quote or a line break is quoted, its quotes doubled.
QString CsvField(const QString& text);

} // namespace pelorin
