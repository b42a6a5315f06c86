#include "JournalSupport.h"

#include "journal/JournalRecords.h"

#include <QTemporaryDir>
#include <chrono>

namespace pelorin::test {
namespace {

using namespace std::chrono_literals;
using journal::Outcome;

// A journal in a temporary folder on a clock moved only by the test, logged in and showing picture 3,
// where LB01.GT11 (pointer 4) shows 21.0.
class WriteJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        journal.LoggedIn("DEMO", "127.0.0.1:2001");
        journal.PictureShown(3);
        journal.ValueArrived(4, "LB01.GT11", "21.0");
    }

    std::vector<QJsonObject> Lines() { return WrittenLines(dir.path()); }

    QTemporaryDir dir;
    QDateTime now = JournalStart();
    JournalHeard heard;
    journal::WriteJournal journal{
        {.folder = dir.path(), .answerTimeout = 10s, .clock = [this] { return now; }}, &heard};
};

// The write's line names who wrote what, where and when, with the value shown before.
TEST_F(WriteJournalTest, TheWriteLineHoldsSessionPictureAddressValueBeforeAndTextSent) {
    now = now.addMSecs(123);
    journal.WriteSent(4, "LB01.GT11", "22.5");
    const std::vector<QJsonObject> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    QJsonObject write = lines[0];
    EXPECT_FALSE(write.take(QStringLiteral("id")).toString().isEmpty());
    EXPECT_EQ(write, (QJsonObject{{QStringLiteral("type"), QStringLiteral("write")},
                                  {QStringLiteral("time"), QStringLiteral("2026-12-07T05:18:00.123+01:00")},
                                  {QStringLiteral("visa"), QStringLiteral("DEMO")},
                                  {QStringLiteral("server"), QStringLiteral("127.0.0.1:2001")},
                                  {QStringLiteral("picture"), 3},
                                  {QStringLiteral("address"), QStringLiteral("LB01.GT11")},
                                  {QStringLiteral("before"), QStringLiteral("21.0")},
                                  {QStringLiteral("sent"), QStringLiteral("22.5")}}));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("2026-12.jsonl"))));
}

// A line's time is local with milliseconds and its offset, written out at UTC too.
TEST_F(WriteJournalTest, TimesAreLocalWithMillisecondsAndTheirUtcOffset) {
    const struct {
        int offset;
        QString time;
    } cases[] = {
        {3600, QStringLiteral("2026-12-07T05:18:00.007+01:00")},
        {0, QStringLiteral("2026-12-07T05:18:00.007+00:00")},
        {-(5 * 3600 + 30 * 60), QStringLiteral("2026-12-07T05:18:00.007-05:30")},
    };
    for (const auto& [offset, time] : cases) {
        now = QDateTime(QDate(2026, 12, 7), QTime(5, 18, 0, 7), QTimeZone(offset));
        journal.WriteSent(4, "LB01.GT11", "22.5");
        EXPECT_EQ(Lines().back().value(QStringLiteral("time")), time);
    }
}

// The next value of the written pointer decides, compared as a number; no value within the timeout is
// no answer. Each outcome is a second line with the write's id, and the operator's feedback.
TEST_F(WriteJournalTest, TheNextValueOrItsAbsenceIsTheOutcome) {
    const struct {
        const char* answer; // nullptr: none comes
        QJsonObject outcome;
        QString feedback;
    } cases[] = {
        {"22.50",
         {{QStringLiteral("outcome"), QStringLiteral("bekräftat")},
          {QStringLiteral("answer"), QStringLiteral("22.50")},
          {QStringLiteral("after_ms"), 120}},
         QStringLiteral("LB01.GT11: 22,5 skickat, bekräftat efter 0,12 s")},
        {"21.0",
         {{QStringLiteral("outcome"), QStringLiteral("avvikande")},
          {QStringLiteral("answer"), QStringLiteral("21.0")},
          {QStringLiteral("after_ms"), 120}},
         QStringLiteral("LB01.GT11: 22,5 skickat, avvikande: 21,0")},
        {nullptr,
         {{QStringLiteral("outcome"), QStringLiteral("inget svar")},
          {QStringLiteral("reason"), QStringLiteral("tidsgräns")}},
         QStringLiteral("LB01.GT11: 22,5 skickat, inget svar på 10 s")},
    };
    for (const auto& [answer, outcome, feedback] : cases) {
        const size_t before = Lines().size();
        journal.WriteSent(4, "LB01.GT11", "22.5");
        EXPECT_EQ(journal::FeedbackText(heard.reports.back()), QStringLiteral("LB01.GT11: 22,5 skickat"));
        now = now.addMSecs(120);
        journal.ValueArrived(5, "LB01.GT12", "22.5");
        if (answer)
            journal.ValueArrived(4, "LB01.GT11", answer);
        now = now.addMSecs(9880);
        journal.ExpireDue();
        const std::vector<QJsonObject> lines = Lines();
        ASSERT_EQ(lines.size(), before + 2) << answer;
        QJsonObject settled = lines.back();
        EXPECT_EQ(settled.take(QStringLiteral("id")), lines[before].value(QStringLiteral("id")));
        settled.remove(QStringLiteral("time"));
        settled.remove(QStringLiteral("type"));
        EXPECT_EQ(settled, outcome);
        EXPECT_EQ(journal::FeedbackText(heard.reports.back()), feedback);
    }
}

// Until the full timeout has passed a write still waits for its answer.
TEST_F(WriteJournalTest, NoAnswerOnlyOnceTheTimeoutHasPassed) {
    journal.WriteSent(4, "LB01.GT11", "22.5");
    now = now.addMSecs(9999);
    journal.ExpireDue();
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(heard.reports.back().outcome, Outcome::Pending);
    now = now.addMSecs(1);
    journal.ExpireDue();
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(heard.reports.back().outcome, Outcome::NoAnswer);
}

// The expiry timer settles an unanswered write on its own, on the real clock.
TEST(WriteJournal, TheTimerSettlesAnUnansweredWrite) {
    QTemporaryDir dir;
    JournalHeard heard;
    journal::WriteJournal journal({.folder = dir.path(), .answerTimeout = 1ms}, &heard);
    journal.WriteSent(4, "LB01.GT11", "22.5");
    EXPECT_TRUE(waitFor([&] { return heard.reports.back().outcome == Outcome::NoAnswer; }));
}

// After a picture change or a logout the pointer names another value: waiting writes get no answer at
// once, and a later value of that pointer settles nothing.
TEST_F(WriteJournalTest, APictureChangeOrLogoutEndsTheWaitAtOnce) {
    const struct {
        std::function<void()> end;
        const char* reason;
        QString feedback;
    } cases[] = {
        {[&] { journal.PictureShown(7); }, "bildbyte",
         QStringLiteral("LB01.GT11: 22,5 skickat, inget svar före bildbytet")},
        {[&] { journal.LoggedOut(); }, "utloggning",
         QStringLiteral("LB01.GT11: 22,5 skickat, inget svar före utloggningen")},
    };
    for (const auto& [end, reason, feedback] : cases) {
        journal.WriteSent(4, "LB01.GT11", "22.5");
        end();
        journal.ValueArrived(4, "LB01.GT11", "22.5");
        const std::vector<QJsonObject> lines = Lines();
        EXPECT_EQ(lines.back().value(QStringLiteral("outcome")), QStringLiteral("inget svar"));
        EXPECT_EQ(lines.back().value(QStringLiteral("reason")), QString::fromUtf8(reason));
        EXPECT_EQ(journal::FeedbackText(heard.reports.back()), feedback);
    }
}

// A setpoint parameter is answered by its own block's parameter, not by another block's under the
// same pointer; the value shown before is its own.
TEST_F(WriteJournalTest, ABlockParameterIsAnsweredUnderItsOwnName) {
    journal.ValueArrived(40, "LB01.REG.PAR1", "20.0");
    journal.WriteSent(40, "LB01.REG.PAR1", "21");
    journal.ValueArrived(40, "LB02.REG.PAR1", "19.0");
    journal.ValueArrived(40, "LB01.REG.PAR1", "21.0");
    const std::vector<QJsonObject> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].value(QStringLiteral("before")), QStringLiteral("20.0"));
    EXPECT_EQ(lines[1].value(QStringLiteral("outcome")), QStringLiteral("bekräftat"));
}

// A journal that cannot be written is told once and does not hold the write up; what could not be
// written is written, in order, once the folder can be written again.
TEST_F(WriteJournalTest, AnUnwritableJournalIsToldAndLosesNothing) {
    const QString folder = dir.filePath(QStringLiteral("blocked"));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    journal::WriteJournal blocked({.folder = folder, .clock = [this] { return now; }}, &heard);
    blocked.WriteSent(4, "LB01.GT11", "22.5");
    blocked.ValueArrived(4, "LB01.GT11", "22.5");
    QCoreApplication::processEvents();
    EXPECT_EQ(heard.events,
              QStringList{QStringLiteral("failed ") + folder + QStringLiteral("/2026-12.jsonl")});
    EXPECT_EQ(heard.reports.back().outcome, Outcome::Confirmed);

    ASSERT_TRUE(QFile::remove(folder));
    blocked.WriteSent(4, "LB01.GT11", "23");
    const std::vector<QJsonObject> lines = WrittenLines(folder);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].value(QStringLiteral("sent")), QStringLiteral("22.5"));
    EXPECT_EQ(lines[1].value(QStringLiteral("outcome")), QStringLiteral("bekräftat"));
    EXPECT_EQ(lines[2].value(QStringLiteral("sent")), QStringLiteral("23"));
    EXPECT_EQ(heard.events.back(), QStringLiteral("recovered"));
}

// Answers are compared as numbers where both are, as texts otherwise.
TEST(WriteJournal, AnAnswerIsTheSameValueAsANumber) {
    const struct {
        const char* sent;
        const char* answer;
        bool same;
    } cases[] = {
        {"22.5", "22.50", true},
        {"22.5", "22,5", true},
        {"22.5", "22.4", false},
        {"-3", "-3.0", true},
        {"22.1", "22.100000381", true},
        {"1000", "1001", false},
        {"PÅ", "PÅ", true},
        {"PÅ", "AV", false},
        {"5", "", false},
    };
    for (const auto& [sent, answer, same] : cases)
        EXPECT_EQ(journal::SameValue(QString::fromUtf8(sent), QString::fromUtf8(answer)), same)
            << sent << " / " << answer;
}

} // namespace
} // namespace pelorin::test
