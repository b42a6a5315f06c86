#include "common/ScriptedDialogs.h"
#include "platform/Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using Answer = Dialogs::Answer;

TEST(QtDialogs, AskIsAYesNoQuestionAndClosingTheBoxAnswersNo) {
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> operatorDoes;
        Answer expected;
    };
    const Case cases[] = {
        {"yes", [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, Answer::Yes},
        {"no", [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, Answer::No},
        {"escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, Answer::No},
        {"close", [](QMessageBox& box) { box.close(); }, Answer::No},
    };
    QWidget parent;
    QtDialogs dialogs(&parent);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool seen = false;
        QTimer::singleShot(0, &parent, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->text(), QStringLiteral("Vill du spara \u00e4ndringar gjorda i loggen?"));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Loggbok"));
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(box->button(QMessageBox::Cancel), nullptr);
            c.operatorDoes(*box);
        });
        EXPECT_EQ(dialogs.Ask("Vill du spara \xE4ndringar gjorda i loggen?", "Loggbok"), c.expected);
        EXPECT_TRUE(seen);
    }
}

// A stub that only implements Message still answers Ask: Yes stays Yes, Cancel becomes No.
TEST(ScriptedDialogs, AnswersFromQueuesRecordsEveryQuestionAndClosesWhenOutOfAnswers) {
    using test::ScriptedDialogs;
    ScriptedDialogs dialogs;
    dialogs.answers = {Answer::Yes, Answer::Cancel};
    dialogs.savePaths = {"/tmp/inspelning.txt"};
    Dialogs& asInterface = dialogs;

    EXPECT_EQ(asInterface.Ask("Spara?", "A"), Answer::Yes);
    EXPECT_EQ(asInterface.Message("Spara?", "B", true), Answer::Cancel);
    EXPECT_EQ(asInterface.Message("Inga kanaler", "C", false), Answer::Ok);
    EXPECT_EQ(asInterface.Ask("Spara igen?", "D"), Answer::No) << "out of answers";
    EXPECT_EQ(asInterface.SaveFile("E", "start.txt", "Text (*.txt)|*.txt"), "/tmp/inspelning.txt");
    EXPECT_EQ(asInterface.SaveFile("F", "", ""), "") << "out of paths";
    const std::vector<ScriptedDialogs::Question> expected = {
        {ScriptedDialogs::Kind::YesNo, "Spara?", "A"},
        {ScriptedDialogs::Kind::YesNoCancel, "Spara?", "B"},
        {ScriptedDialogs::Kind::Ok, "Inga kanaler", "C"},
        {ScriptedDialogs::Kind::YesNo, "Spara igen?", "D"},
        {ScriptedDialogs::Kind::SaveFile, "start.txt", "E"},
        {ScriptedDialogs::Kind::SaveFile, "", "F"},
    };
    EXPECT_EQ(dialogs.asked, expected);

    struct OnlyMessages : Dialogs {
        Answer reply = Answer::Yes;
        Answer Message(const std::string&, const std::string&, bool) override { return reply; }
        std::string SaveFile(const std::string&, const std::string&, const std::string&) override {
            return {};
        }
    } legacy;
    EXPECT_EQ(legacy.Ask("?", ""), Answer::Yes);
    legacy.reply = Answer::Cancel;
    EXPECT_EQ(legacy.Ask("?", ""), Answer::No);
}

} // namespace
} // namespace pelorin
