#include "core/ExportText.h"

#include <algorithm>
#include <cstdlib>

namespace pelorin {

QString IsoTimeWithOffset(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toOffsetFromUtc(offset).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString CsvField(const QString& text) {
    static const QString special = QStringLiteral(",\"\r\n");
    const bool quoted = std::any_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); });
    if (!quoted)
        return text;
    QString escaped = text;
    return QLatin1Char('"') + escaped.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace pelorin
