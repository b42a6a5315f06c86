#pragma once

#include "common/TestSupport.h"

#include "journal/WriteJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <vector>

namespace pelorin::test {

// What the journal told the host, one line per call: the feedback text, "failed FILE", "recovered".
class JournalHeard : public journal::JournalListener {
public:
    void WriteNoted(const journal::WriteReport& report) override { reports.push_back(report); }
    void JournalFailed(const QString& file, const QString& /*error*/) override {
        events.push_back(QStringLiteral("failed ") + file);
    }
    void JournalRecovered() override { events.push_back(QStringLiteral("recovered")); }

    std::vector<journal::WriteReport> reports;
    QStringList events;
};

// 7 December 2026, 05:18 at UTC+1.
inline QDateTime JournalStart() {
    return QDateTime(QDate(2026, 12, 7), QTime(5, 18), QTimeZone(3600));
}

// Every line of every month file in `folder`, read as another program would while the journal runs;
// a line that is no JSON object fails the test.
inline std::vector<QJsonObject> JournalLines(const QString& folder) {
    std::vector<QJsonObject> lines;
    for (const QString& month :
         QDir(folder).entryList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name)) {
        QFile file(QDir(folder).filePath(month));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        while (!file.atEnd()) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(file.readLine(), &error);
            EXPECT_TRUE(document.isObject()) << error.errorString().toStdString();
            lines.push_back(document.object());
        }
    }
    return lines;
}

// The journal's lines once the event loop has written what waits.
inline std::vector<QJsonObject> WrittenLines(const QString& folder) {
    QCoreApplication::processEvents();
    return JournalLines(folder);
}

} // namespace pelorin::test
