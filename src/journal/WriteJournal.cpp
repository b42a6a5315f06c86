#include "journal/WriteJournal.h"

#include "core/ExportText.h"
#include "core/Latin1.h"
#include "journal/JournalRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QUuid>
#include <algorithm>

namespace pelorin::journal {

namespace {

// Pointers are 16-bit on the wire: a larger one is no value of a picture.
constexpr int32_t kPointers = 65536;
// Lines kept while the journal cannot be written; the oldest go first beyond it.
constexpr size_t kMostWaitingLines = 10000;

QString ReasonText(Unanswered reason) {
    switch (reason) {
    case Unanswered::PictureChanged:
        return QStringLiteral("bildbyte");
    case Unanswered::LoggedOut:
        return QStringLiteral("utloggning");
    case Unanswered::Timeout:
        break;
    }
    return QStringLiteral("tidsgräns");
}

// A failed write or a crash may have left part of a line: the next one starts on a line of its own.
bool AppendLine(QFile& file, const QByteArray& json) {
    QByteArray bytes = json + '\n';
    if (file.size() > 0 && file.seek(file.size() - 1) && !file.peek(1).startsWith('\n'))
        bytes.prepend('\n');
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

QString DefaultJournalFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/pelorin/journal");
}

QString MonthFile(const QString& folder, const QDateTime& time) {
    return QDir(folder).filePath(time.toString(QStringLiteral("yyyy-MM")) + QStringLiteral(".jsonl"));
}

WriteJournal::WriteJournal(JournalOptions options, JournalListener* listener)
    : m_Options(std::move(options)), m_Listener(listener) {
    m_Expiry.setSingleShot(true);
    connect(&m_Expiry, &QTimer::timeout, this, &WriteJournal::ExpireDue);
}

// Lines still waiting are written before the program ends.
WriteJournal::~WriteJournal() {
    WriteWaitingLines();
}

void WriteJournal::LoggedIn(const std::string& visa, const std::string& server) {
    m_Visa = FromLatin1(visa);
    m_Server = FromLatin1(server);
}

void WriteJournal::LoggedOut() {
    SettleAllUnanswered(Unanswered::LoggedOut);
    m_Shown.clear();
    m_Visa.clear();
    m_Server.clear();
}

// A new picture numbers its values afresh: what was shown and what was awaited named other values.
void WriteJournal::PictureShown(int32_t picture) {
    SettleAllUnanswered(Unanswered::PictureChanged);
    m_Shown.clear();
    m_Picture = picture;
}

void WriteJournal::ValueArrived(int32_t pointer, const std::string& address, const std::string& text) {
    if (pointer < 0 || pointer >= kPointers)
        return;
    if (!m_Pending.empty())
        AnswerArrived(pointer, address, text);
    if (static_cast<size_t>(pointer) >= m_Shown.size())
        m_Shown.resize(static_cast<size_t>(pointer) + 1);
    Shown& shown = m_Shown[static_cast<size_t>(pointer)];
    if (shown.address != address)
        shown.address = address;
    shown.text = text;
}

void WriteJournal::WriteSent(int32_t pointer, const std::string& address, const std::string& text) {
    PendingWrite write{QUuid::createUuid().toString(QUuid::WithoutBraces), pointer, address, text,
                       m_Options.clock()};
    Append(write.time, QJsonObject{{QStringLiteral("id"), write.id},
                                   {QStringLiteral("type"), QStringLiteral("write")},
                                   {QStringLiteral("time"), IsoTimeWithOffset(write.time)},
                                   {QStringLiteral("visa"), m_Visa},
                                   {QStringLiteral("server"), m_Server},
                                   {QStringLiteral("picture"), m_Picture},
                                   {QStringLiteral("address"), FromLatin1(address)},
                                   {QStringLiteral("before"), FromLatin1(ShownBefore(pointer, address))},
                                   {QStringLiteral("sent"), FromLatin1(text)}});
    m_Pending.push_back(std::move(write));
    Tell({.address = FromLatin1(address), .sent = FromLatin1(text)});
    ArmExpiry();
}

// The oldest write awaiting this value takes it as its answer.
void WriteJournal::AnswerArrived(int32_t pointer, const std::string& address, const std::string& text) {
    const auto awaited = std::find_if(m_Pending.begin(), m_Pending.end(), [&](const PendingWrite& write) {
        return write.pointer == pointer && write.address == address;
    });
    if (awaited == m_Pending.end())
        return;
    const PendingWrite write = *awaited;
    m_Pending.erase(awaited);
    const bool same = SameValue(FromLatin1(write.sent), FromLatin1(text));
    WriteReport report{.address = FromLatin1(write.address),
                       .sent = FromLatin1(write.sent),
                       .outcome = same ? Outcome::Confirmed : Outcome::Different,
                       .answer = FromLatin1(text),
                       .afterMs = write.time.msecsTo(m_Options.clock())};
    Settle(write, report,
           {{QStringLiteral("outcome"), same ? QStringLiteral("bekräftat") : QStringLiteral("avvikande")},
            {QStringLiteral("answer"), report.answer},
            {QStringLiteral("after_ms"), report.afterMs}});
    ArmExpiry();
}

void WriteJournal::ExpireDue() {
    const QDateTime now = m_Options.clock();
    const qint64 timeoutMs = m_Options.answerTimeout.count();
    std::vector<PendingWrite> due;
    std::erase_if(m_Pending, [&](const PendingWrite& write) {
        const bool overdue = write.time.msecsTo(now) >= timeoutMs;
        if (overdue)
            due.push_back(write);
        return overdue;
    });
    for (const PendingWrite& write : due)
        Settle(write,
               {.address = FromLatin1(write.address),
                .sent = FromLatin1(write.sent),
                .outcome = Outcome::NoAnswer,
                .unanswered = Unanswered::Timeout,
                .timeoutMs = timeoutMs},
               {{QStringLiteral("outcome"), QStringLiteral("inget svar")},
                {QStringLiteral("reason"), ReasonText(Unanswered::Timeout)}});
    ArmExpiry();
}

void WriteJournal::SettleAllUnanswered(Unanswered reason) {
    const std::vector<PendingWrite> pending = std::exchange(m_Pending, {});
    for (const PendingWrite& write : pending)
        Settle(write,
               {.address = FromLatin1(write.address),
                .sent = FromLatin1(write.sent),
                .outcome = Outcome::NoAnswer,
                .unanswered = reason,
                .timeoutMs = m_Options.answerTimeout.count()},
               {{QStringLiteral("outcome"), QStringLiteral("inget svar")},
                {QStringLiteral("reason"), ReasonText(reason)}});
    m_Expiry.stop();
}

// The outcome's line carries the write's id, so that a reader pairs the two lines.
void WriteJournal::Settle(const PendingWrite& write, const WriteReport& report, const QJsonObject& outcome) {
    const QDateTime now = m_Options.clock();
    QJsonObject line{{QStringLiteral("id"), write.id},
                     {QStringLiteral("type"), QStringLiteral("outcome")},
                     {QStringLiteral("time"), IsoTimeWithOffset(now)}};
    for (auto field = outcome.begin(); field != outcome.end(); ++field)
        line.insert(field.key(), field.value());
    Append(now, line);
    Tell(report);
}

std::string WriteJournal::ShownBefore(int32_t pointer, const std::string& address) const {
    if (pointer < 0 || static_cast<size_t>(pointer) >= m_Shown.size())
        return {};
    const Shown& shown = m_Shown[static_cast<size_t>(pointer)];
    return shown.address == address ? shown.text : std::string();
}

void WriteJournal::ArmExpiry() {
    if (m_Pending.empty()) {
        m_Expiry.stop();
        return;
    }
    const QDateTime deadline = m_Pending.front().time.addMSecs(m_Options.answerTimeout.count());
    m_Expiry.start(static_cast<int>(std::max<qint64>(0, m_Options.clock().msecsTo(deadline))));
}

void WriteJournal::Tell(const WriteReport& report) {
    if (m_Listener)
        m_Listener->WriteNoted(report);
}

// The write goes out before its line is written: a slow or failing disk never holds it up.
void WriteJournal::Append(const QDateTime& time, const QJsonObject& object) {
    m_Waiting.push_back(
        {MonthFile(m_Options.folder, time), QJsonDocument(object).toJson(QJsonDocument::Compact)});
    if (m_Waiting.size() > kMostWaitingLines)
        m_Waiting.erase(m_Waiting.begin());
    if (m_WriteScheduled)
        return;
    m_WriteScheduled = true;
    QMetaObject::invokeMethod(this, &WriteJournal::WriteWaitingLines, Qt::QueuedConnection);
}

// Each line is appended and the file closed at once: what is written can be read while the program
// runs, and a file moved or removed meanwhile is made afresh.
void WriteJournal::WriteWaitingLines() {
    m_WriteScheduled = false;
    size_t written = 0;
    QString failedFile, error;
    for (; written < m_Waiting.size(); ++written) {
        const Line& line = m_Waiting[written];
        QDir().mkpath(QFileInfo(line.file).path());
        QFile file(line.file);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered) ||
            !AppendLine(file, line.json)) {
            failedFile = line.file;
            error = file.errorString();
            break;
        }
    }
    m_Waiting.erase(m_Waiting.begin(), m_Waiting.begin() + static_cast<std::ptrdiff_t>(written));
    const bool failing = !m_Waiting.empty();
    if (failing && !m_Failing && m_Listener)
        m_Listener->JournalFailed(failedFile, error);
    else if (!failing && m_Failing && m_Listener)
        m_Listener->JournalRecovered();
    m_Failing = failing;
}

} // namespace pelorin::journal
