#include "journal/JournalRecords.h"

#include "core/ExportText.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace pelorin::journal {

namespace {

QLocale SwedishLocale() {
    QLocale locale(QLocale::Swedish, QLocale::Sweden);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString Seconds(qint64 ms, int decimals) {
    return SwedishLocale().toString(static_cast<double>(ms) / 1000.0, 'f', decimals);
}

QString OutcomeText(const WriteReport& report) {
    switch (report.outcome) {
    case Outcome::Confirmed:
        // Hundredths, and thousandths where a quick answer would otherwise read "0,00 s".
        return QStringLiteral("bekräftat efter %1 s")
            .arg(Seconds(report.afterMs, report.afterMs < 10 ? 3 : 2));
    case Outcome::Different:
        return QStringLiteral("avvikande: %1").arg(SwedishNumber(report.answer));
    case Outcome::NoAnswer:
        if (report.unanswered == Unanswered::PictureChanged)
            return QStringLiteral("inget svar före bildbytet");
        if (report.unanswered == Unanswered::LoggedOut)
            return QStringLiteral("inget svar före utloggningen");
        return QStringLiteral("inget svar på %1 s")
            .arg(SwedishLocale().toString(static_cast<double>(report.timeoutMs) / 1000.0, 'g', 6));
    case Outcome::Pending:
        break;
    }
    return {};
}

void ReadWrite(const QJsonObject& line, JournalEntry& entry) {
    entry.time = QDateTime::fromString(line.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
    entry.visa = line.value(QLatin1String("visa")).toString();
    entry.server = line.value(QLatin1String("server")).toString();
    entry.picture = line.value(QLatin1String("picture")).toInt();
    entry.address = line.value(QLatin1String("address")).toString();
    entry.before = line.value(QLatin1String("before")).toString();
    entry.sent = line.value(QLatin1String("sent")).toString();
}

void ReadOutcome(const QJsonObject& line, JournalEntry& entry) {
    entry.outcome = line.value(QLatin1String("outcome")).toString();
    entry.answer = line.value(QLatin1String("answer")).toString();
    entry.reason = line.value(QLatin1String("reason")).toString();
    if (line.contains(QLatin1String("after_ms")))
        entry.afterMs = line.value(QLatin1String("after_ms")).toInteger();
}

struct Parsed {
    std::vector<JournalEntry> writes;
    QHash<QString, QJsonObject> outcomes;
    int damaged = 0;
};

void ReadLine(const QByteArray& bytes, Parsed& parsed) {
    if (bytes.trimmed().isEmpty())
        return;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const QJsonObject line = document.object();
    const QString id = line.value(QLatin1String("id")).toString();
    const QString type = line.value(QLatin1String("type")).toString();
    if (!document.isObject() || id.isEmpty()) {
        ++parsed.damaged;
    } else if (type == QLatin1String("write")) {
        JournalEntry entry{.id = id};
        ReadWrite(line, entry);
        if (entry.time.isValid())
            parsed.writes.push_back(std::move(entry));
        else
            ++parsed.damaged;
    } else if (type == QLatin1String("outcome")) {
        parsed.outcomes.insert(id, line);
    } else {
        ++parsed.damaged;
    }
}

} // namespace

std::optional<double> WireNumber(const QString& text) {
    QString plain = text.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool SameValue(const QString& sent, const QString& answer) {
    const std::optional<double> sentNumber = WireNumber(sent);
    const std::optional<double> answerNumber = WireNumber(answer);
    if (!sentNumber || !answerNumber)
        return sent.trimmed() == answer.trimmed();
    // A server that keeps a Single answers 22.1 as 22.100000381: the same value to its 7 digits.
    const double scale = std::max({1.0, std::abs(*sentNumber), std::abs(*answerNumber)});
    return std::abs(*sentNumber - *answerNumber) <= scale * 1e-6;
}

QString SwedishNumber(const QString& wireText) {
    if (!WireNumber(wireText))
        return wireText;
    QString shown = wireText.trimmed();
    return shown.replace(QLatin1Char('.'), QLatin1Char(','));
}

QString FeedbackText(const WriteReport& report) {
    const QString sent = QStringLiteral("%1: %2 skickat").arg(report.address, SwedishNumber(report.sent));
    if (report.outcome == Outcome::Pending)
        return sent;
    return sent + QStringLiteral(", ") + OutcomeText(report);
}

JournalContents ReadJournal(const QString& folder) {
    Parsed parsed;
    const QStringList months = QDir(folder).entryList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name);
    for (const QString& month : months) {
        QFile file(QDir(folder).filePath(month));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd())
            ReadLine(file.readLine(), parsed);
    }
    JournalContents contents{.damagedLines = parsed.damaged};
    for (JournalEntry& entry : parsed.writes) {
        const auto outcome = parsed.outcomes.constFind(entry.id);
        if (outcome != parsed.outcomes.cend())
            ReadOutcome(*outcome, entry);
        contents.entries.push_back(std::move(entry));
    }
    std::stable_sort(contents.entries.begin(), contents.entries.end(),
                     [](const JournalEntry& a, const JournalEntry& b) { return a.time > b.time; });
    return contents;
}

bool Matches(const JournalEntry& entry, const JournalFilter& filter) {
    return entry.address.contains(filter.address, Qt::CaseInsensitive) &&
           entry.visa.contains(filter.visa, Qt::CaseInsensitive) &&
           (!filter.date || entry.time.date() == *filter.date);
}

QString JournalCsv(const std::vector<JournalEntry>& entries) {
    QString csv = QStringLiteral("Tid,Visa,Server,Bild,Adress,Före,Skickat,Utfall,Svar,Efter (s),Orsak\r\n");
    for (const JournalEntry& entry : entries) {
        const QString after =
            entry.afterMs ? QString::number(static_cast<double>(*entry.afterMs) / 1000.0, 'f', 3) : QString();
        const QStringList fields{IsoTimeWithOffset(entry.time),
                                 entry.visa,
                                 entry.server,
                                 QString::number(entry.picture),
                                 entry.address,
                                 entry.before,
                                 entry.sent,
                                 entry.outcome,
                                 entry.answer,
                                 after,
                                 entry.reason};
        QStringList quoted;
        for (const QString& field : fields)
            quoted.append(CsvField(field));
        csv += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return csv;
}

} // namespace pelorin::journal
