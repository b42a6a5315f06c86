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
    const std::pair<std::function<void(QMessageBox&)>, Answer> cases[] = {
        {[](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, Answer::Yes},
        {[](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, Answer::No},
        {[](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, Answer::No},
        {[](QMessageBox& box) { box.close(); }, Answer::No}};
    QWidget parent;
    QtDialogs dialogs(&parent);
    for (const auto& [operatorDoes, expected] : cases) {
        bool seen = false;
        QTimer::singleShot(0, &parent, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->text(), QStringLiteral("Vill du spara \u00e4ndringar gjorda i loggen?"));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Loggbok"));
            EXPECT_EQ(box->button(QMessageBox::Cancel), nullptr);
            operatorDoes(*box);
        });
        EXPECT_EQ(dialogs.Ask("Vill du spara \xE4ndringar gjorda i loggen?", "Loggbok"), expected);
        EXPECT_TRUE(seen);
    }
}

// Dialogs that only implement Message still answer Ask: Yes stays Yes, Cancel becomes No.
TEST(Dialogs, AskFallsBackOnAYesNoCancelMessage) {
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
