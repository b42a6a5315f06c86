#include "SimFixture.h"

#include <QDir>
#include <QFile>

using namespace pelorin;
using namespace pelorin::test;

namespace {

using LogbookTest = SimFixture;

std::string PictureLog(SimTestClient& client, int picture) {
    const auto answers = client.answersTo(CMD_GET_PICTURE_LOG, Long2String(picture));
    return answers.size() == 1 ? answers[0].payload : "(no reply)";
}

std::string GlobalLog(SimTestClient& client) {
    client.send(CMD_GET_GLOBAL_LOG);
    const auto reply = client.next(MSG_GLOBAL_LOG);
    return reply ? reply->payload : "(no reply)";
}

TEST_F(LogbookTest, StoredLogbooksSurviveARestartAndAnInterruptedSave) {
    const std::string pictureText = "2024-01-05 08:12 / DEMO\r\nBytt filter i LB01, fl\xE4kten g\xE5r.\r\n";
    const std::string globalText = "\r\nR\xF6relse: \xC5"
                                   "terst\xE4llt efter str\xF6mavbrott.\r\n";
    {
        auto client = loggedInClient();
        EXPECT_EQ(PictureLog(*client, 2), "");
        client->send(CMD_SAVE_PICTURE_LOG, Long2String(2) + pictureText);
        client->send(CMD_SAVE_GLOBAL_LOG, globalText);
        EXPECT_EQ(PictureLog(*client, 2), pictureText);
        // A picture that does not exist, or no picture number at all, stores nothing.
        client->send(CMD_SAVE_PICTURE_LOG, Long2String(500) + "text");
        client->send(CMD_SAVE_PICTURE_LOG, std::string("\x01", 1));
        EXPECT_EQ(PictureLog(*client, 500), "");
    }
    const QDir logbooks(m_Data.filePath(QStringLiteral("logbooks")));
    EXPECT_EQ(logbooks.entryList(QDir::Files),
              QStringList({QStringLiteral("global.txt"), QStringLiteral("picture-2.txt")}));
    // What a crash in the middle of a save leaves behind: a half-written temporary file.
    QFile partial(logbooks.filePath(QStringLiteral("global.txt.a1b2c3")));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    partial.write("half a logb");
    partial.close();

    startServer();
    auto client = loggedInClient();
    EXPECT_EQ(PictureLog(*client, 2), pictureText);
    EXPECT_EQ(PictureLog(*client, 3), "");
    EXPECT_EQ(GlobalLog(*client), globalText);
    QFile onDisk(logbooks.filePath(QStringLiteral("global.txt")));
    ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        QString::fromUtf8(onDisk.readAll()).contains(QStringLiteral("Återställt efter strömavbrott")));
}

TEST_F(LogbookTest, SavingNeedsTheLogbookRight) {
    const struct {
        const char* visa;
        const char* password;
        bool savesPictureLog;
        bool savesGlobalLog;
    } cases[] = {{"DEMO", "demo", true, true}, {"LOGG", "logg", true, false}, {"LAS", "las", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.visa);
        auto writer = loggedInClient(c.visa, c.password);
        writer->send(CMD_SAVE_PICTURE_LOG, Long2String(1) + c.visa);
        writer->send(CMD_SAVE_GLOBAL_LOG, c.visa);
        EXPECT_EQ(PictureLog(*writer, 1) == c.visa, c.savesPictureLog);
        EXPECT_EQ(GlobalLog(*writer) == c.visa, c.savesGlobalLog);
    }
}

} // namespace
