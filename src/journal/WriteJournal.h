#pragma once

#include "ports/PlantWatch.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace pelorin::journal {

enum class Outcome { Pending, Confirmed, Different, NoAnswer };

// Why a write got no answer: nothing came in time, or the session or its picture ended first (the
// pointer then names another value, so a later answer could not be told apart).
enum class Unanswered { Timeout, PictureChanged, LoggedOut };

// What became of one write, as the operator is told of it.
struct WriteReport {
    QString address{};
    QString sent{};
    Outcome outcome = Outcome::Pending;
    // The value that came back (Confirmed, Different).
    QString answer{};
    qint64 afterMs = 0;
    Unanswered unanswered = Unanswered::Timeout;
    qint64 timeoutMs = 0;
};

// Told of every write and its outcome, and of a journal that cannot be written.
class JournalListener {
public:
    virtual ~JournalListener() = default;
    virtual void WriteNoted(const WriteReport& report) = 0;
    // Lines could not be written to `file` (told once, until recovered); they are kept and written with
    // the next line that can be.
    virtual void JournalFailed(const QString& file, const QString& error) = 0;
    // The journal is written again after a failure.
    virtual void JournalRecovered() = 0;
};

struct JournalOptions {
    // Where the month files go.
    QString folder{};
    std::chrono::milliseconds answerTimeout{10000};
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};

// The folder of the month files under the user's data home: $XDG_DATA_HOME/pelorin/journal.
QString DefaultJournalFolder();
// The month file a line written at `time` goes to: "2026-12.jsonl" in `folder`.
QString MonthFile(const QString& folder, const QDateTime& time);

// Appends every write the operator causes to a month file, one JSON object a line, and when its
// outcome is known a second line with the same id (format in docs/journal-format.md). Lines are
// written after the write has gone out, in the event loop's next turn, and never rewritten; lines that
// cannot be written are kept (up to a bound) and retried with the next one.
class WriteJournal : public QObject, public PlantWatch {
    Q_OBJECT

public:
    WriteJournal(JournalOptions options, JournalListener* listener = nullptr);
    ~WriteJournal() override;

    const QString& Folder() const { return m_Options.folder; }
    // Settles every write whose answer is overdue by the clock; the expiry timer calls it.
    void ExpireDue();
    // Writes the lines waiting for the event loop now.
    void WriteWaitingLines();

    void LoggedIn(const std::string& visa, const std::string& server) override;
    void LoggedOut() override;
    void PictureShown(int32_t picture) override;
    void ValueArrived(int32_t pointer, const std::string& address, const std::string& text) override;
    void WriteSent(int32_t pointer, const std::string& address, const std::string& text) override;

private:
    struct Shown {
        std::string address;
        std::string text;
    };
    struct PendingWrite {
        QString id;
        int32_t pointer;
        std::string address;
        std::string sent;
        QDateTime time;
    };
    struct Line {
        QString file;
        QByteArray json;
    };

    void Settle(const PendingWrite& write, const WriteReport& report, const QJsonObject& outcome);
    void AnswerArrived(int32_t pointer, const std::string& address, const std::string& text);
    void SettleAllUnanswered(Unanswered reason);
    void Append(const QDateTime& time, const QJsonObject& object);
    void ArmExpiry();
    void Tell(const WriteReport& report);
    std::string ShownBefore(int32_t pointer, const std::string& address) const;

    JournalOptions m_Options;
    JournalListener* m_Listener;
    QString m_Visa;
    QString m_Server;
    int32_t m_Picture = 0;
    std::vector<Shown> m_Shown;
    std::vector<PendingWrite> m_Pending;
    std::vector<Line> m_Waiting;
    bool m_WriteScheduled = false;
    bool m_Failing = false;
    QTimer m_Expiry;
};

} // namespace pelorin::journal
