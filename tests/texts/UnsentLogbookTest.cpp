// A logbook edit the server cannot get is kept in a file in the documents folder, and the operator is told.

#include "common/SessionSupport.h"
#include "toolbar/ToolbarTable.h"

#include "TextStore.h"
#include "core/Latin1.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

// Points the user's documents folder at a temporary one for one test.
class DocumentsScope {
public:
    DocumentsScope() : m_Previous(qgetenv("XDG_CONFIG_HOME")) {
        QFile dirs(m_Config.filePath(QStringLiteral("user-dirs.dirs")));
        if (dirs.open(QIODevice::WriteOnly))
            dirs.write("XDG_DOCUMENTS_DIR=\"" + folder().toUtf8() + "\"\n");
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    }
    ~DocumentsScope() {
        if (m_Previous.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", m_Previous);
    }
    QString folder() const { return m_Documents.filePath(QStringLiteral("Dokument")); }

private:
    QByteArray m_Previous;
    QTemporaryDir m_Config;
    QTemporaryDir m_Documents;
};

class UnsentLogbook : public SessionTest {
protected:
    TextBox& box() { return *c().texts().Text_Any; }

    // Picture 1's logbook, edited by the operator; returns the text as it stands.
    std::string EditPictureLogbook() {
        if (c().m_AccessLevel == 0)
            LogIn();
        ShowPicture(1);
        c().Toolbar_ButtonMenuClick(tb::kPictureLog, tb::kTexts);
        EXPECT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOG_PCT; }));
        QTest::keyClicks(box().widget(), QStringLiteral("Pump bytt "));
        // Keys beyond ASCII, as a Swedish keyboard gives them.
        for (const char latin1 : {'\xE5', '\xE4', '\xF6', '\xA0', '\xFF'})
            QTest::sendKeyEvent(QTest::Click, box().widget(), Qt::Key_unknown,
                                FromLatin1(std::string(1, latin1)), Qt::NoModifier);
        EXPECT_TRUE(box().Text().ends_with("Pump bytt \xE5\xE4\xF6\xA0\xFF"));
        return box().Text();
    }

    // The message the operator was told, once it has come.
    std::string Told() {
        const auto& asked = f.dialogs().asked;
        EXPECT_TRUE(
            waitFor([&] { return !asked.empty() && asked.back().kind == ScriptedDialogs::Kind::Ok; }));
        return asked.empty() ? std::string() : asked.back().text;
    }

    DocumentsScope documents;
};

TEST_F(UnsentLogbook, AnEditTheServerCannotGetIsKeptByteForByteAndTheOperatorToldWhere) {
    ASSERT_TRUE(sim::TextStore(dataFolder()).savePictureLog(1, "rad 1\nrad 2\n"));
    const auto pressEscape = [this] { QTest::keyClick(box().widget(), Qt::Key_Escape); };
    const struct {
        const char* end;
        std::function<void()> run;
        // The link dies while the save question is open, and the operator answers Yes.
        bool linkDiesWhileAsking;
    } ends[] = {
        {"the server closes the link",
         [this] {
             server().dropMidFrame();
             c().TCPSend(CMD_GET_PICTURE, "1");
         },
         false},
        {"the server logs out", [this] { server().sendFrameToAll(MSG_LOGOUT, {}); }, false},
        {"the server sends another logbook", [this] { Inject(MSG_GLOBAL_LOG, "annan"); }, false},
        {"the server sends no picture", [this] { Inject(MSG_NO_PICTURE, {}); }, false},
        {"the server sends a picture", [this] { c().TCPSend(CMD_GET_PICTURE, "2"); }, false},
        {"the link dies during the save question", pressEscape, true},
    };
    const QString name = QStringLiteral(R"(Loggbok 001 ej sparad \d{4}-\d\d-\d\d \d{6}( \(\d\))?\.txt)");
    const QRegularExpression told(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(FromLatin1(
            Latin1FromUtf8("Loggboken sparades inte på bildservern. Texten finns i filen:\r\n\r\n") +
            ToLatin1(documents.folder()) + "/")) +
        name));
    for (const auto& e : ends) {
        SCOPED_TRACE(e.end);
        const std::string typed = EditPictureLogbook();
        f.dialogs().asked.clear();
        if (e.linkDiesWhileAsking) {
            f.dialogs().answers = {Dialogs::Answer::Yes};
            f.dialogs().whileAsking = [this] {
                server().closeAllConnections();
                EXPECT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
            };
        }
        e.run();
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState != VS_LOG_PCT; }));
        const std::string message = Told();
        f.dialogs().whileAsking = nullptr;
        ASSERT_TRUE(told.match(FromLatin1(message)).hasMatch()) << message;
        const std::string path = message.substr(message.find(ToLatin1(documents.folder())));
        QFile kept(FromLatin1(path));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll().toStdString(), typed) << "the bytes as typed";
        ASSERT_TRUE(kept.remove());
    }
}

// Saved or declined, an edit is no longer the operator's to lose: the server's next text says nothing.
TEST_F(UnsentLogbook, AnEditSavedOrDeclinedIsNotKept) {
    for (const Dialogs::Answer answer : {Dialogs::Answer::Yes, Dialogs::Answer::No}) {
        EditPictureLogbook();
        f.dialogs().answers = {answer};
        c().Toolbar_ButtonMenuClick(tb::kGlobalLog, tb::kTexts);
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOG_GLOBAL; }));
        Sync();
        ASSERT_EQ(f.dialogs().asked.size(), 1u);
        EXPECT_EQ(f.dialogs().asked.back().kind, ScriptedDialogs::Kind::YesNo);
        f.dialogs().asked.clear();
    }
    EXPECT_TRUE(QDir(documents.folder()).isEmpty());
}

} // namespace
} // namespace pelorin::test
