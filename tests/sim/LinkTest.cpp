#include "SimFixture.h"
#include "WireText.h"
#include "core/PictureParser.h"

#include <QFile>
#include <tuple>

using namespace pelorin;
using namespace pelorin::test;

namespace {

using LinkTest = SimFixture;

TEST_F(LinkTest, LoginReplyCarriesLevelPortHistoryAndNameAndARefusalNothingElse) {
    const struct {
        const char* visa;
        const char* password;
        int32_t level;
        std::string name;
    } cases[] = {{"DEMO", "demo", 31, kDemoName},
                 {"demo", "demo", 31, kDemoName},
                 {"LAS", "las", 1, "\xD6rjan L\xE4sare"},
                 {"DEMO", "Demo", 0, ""},
                 {"NOBODY", "demo", 0, ""},
                 {"", "", 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.visa) + "/" + c.password);
        SimTestClient client;
        ASSERT_TRUE(client.connectTo(m_Server->framedPort()));
        client.send(CMD_LOGIN, ScrambleLogin(std::string(c.visa) + '\xFF' + c.password, 0xA7));
        const auto reply = client.next(MSG_LOGIN_REPLY);
        ASSERT_TRUE(reply);
        EXPECT_EQ(String2Long(reply->payload, 0), c.level);
        EXPECT_EQ(String2Long(reply->payload, 4), m_Server->terminalPort());
        EXPECT_GT(String2Long(reply->payload, 8), 0);
        EXPECT_EQ(reply->payload.substr(12), c.name);
        if (c.level > 0)
            continue;
        client.send(CMD_GET_PICTURE_TABLE);
        client.send(CMD_GET_PICTURE, "1");
        // Frames are answered in order: once the next login's reply is in, nothing else came before it.
        EXPECT_EQ(client.login("DEMO", "wrong"), 0);
        EXPECT_EQ(client.pendingFrames(), 0u);
    }
}

TEST_F(LinkTest, PictureTableMarksDemoPicturesAndListsWritableKinds) {
    auto client = loggedInClient();
    client->send(CMD_GET_PICTURE_TABLE);
    const auto table = client->next(MSG_PICTURE_TABLE);
    ASSERT_TRUE(table);
    ASSERT_GE(table->payload.size(), 1004u);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(table->payload[static_cast<size_t>(i)] != 0, i >= 1 && i <= 4) << "picture " << i;
    const std::string list = table->payload.substr(1004);
    EXPECT_EQ(list.size(), static_cast<size_t>(String2Long(table->payload, 1000)));
    EXPECT_NE(list.find(",BV,"), std::string::npos);
    EXPECT_NE(list.find(",DR,"), std::string::npos);
    EXPECT_EQ(list.find(",MV,"), std::string::npos);
}

TEST_F(LinkTest, ServedPictureParsesIntoItsElements) {
    auto client = loggedInClient();
    const auto picture = client->getPicture(3);
    ASSERT_TRUE(picture);
    const std::string& payload = picture->payload;
    EXPECT_EQ(String2Long(payload, 0), 3);
    EXPECT_NE(String2Long(payload, 4), 0) << "the picture has a function text";
    EXPECT_EQ(String2Long(payload, 8), 0xC0C0C0);
    EXPECT_EQ(String2Long(payload, 12 + 4 * 2), 0x0000E0) << "palette entry 2 is red, &H00BBGGRR";

    Palette palette{};
    ElementList elements;
    const int32_t dynamics = PictureParser(palette, 7, 14).ExtractAllElements(payload.substr(48), elements);
    EXPECT_EQ(dynamics, dynamicCount(3));
    std::vector<const cElement*> setpoints;
    for (const auto& element : elements)
        if (element->m_ElementType == ET_SETPOINT)
            setpoints.push_back(element.get());
    ASSERT_EQ(setpoints.size(), 3u);
    EXPECT_EQ(setpoints[0]->m_Address, "VS01.DAG");
    EXPECT_EQ(setpoints[2]->m_Address, "VS01.PUMPSTOPP");
    EXPECT_EQ(setpoints[2]->m_PAR1_Description, "Pumpstopp vid utetemp");
    EXPECT_EQ(setpoints[2]->m_PAR4_Description, "");
    EXPECT_EQ(setpoints[2]->m_DynamicArrayPointer, numberOf(3, "VS01.PUMPSTOPP"));
}

TEST_F(LinkTest, FirstValuesCoverEveryDynamicNumberAndSetpointsReportTheirKind) {
    auto client = loggedInClient();
    for (int picture : {1, 2, 4, 3}) {
        SCOPED_TRACE(picture);
        ASSERT_TRUE(client->getPicture(picture));
        ASSERT_TRUE(client->waitForValues(0, dynamicCount(picture) - 1));
        EXPECT_FALSE(client->value(dynamicCount(picture))) << "nothing beyond the picture's numbers";
    }
    EXPECT_EQ(client->value(numberOf(3, "VS01.DAG")), "2");
    EXPECT_EQ(client->value(numberOf(3, "VS01.NATT")), "3");
    EXPECT_EQ(client->value(numberOf(3, "VS01.PUMPSTOPP")), "0");
    const double supply = *m_Server->modelValue("VS01.MV.GT11");
    EXPECT_NEAR(std::stod(*client->value(numberOf(3, "VS01.MV.GT11"))), supply, 0.0005);
}

TEST_F(LinkTest, ModelMovesValuesAndOnlyChangedOnesAreSent) {
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(1));
    ASSERT_TRUE(client->waitForValues(0, dynamicCount(1) - 1));
    const int clock = numberOf(1, "UTE.MV.TID");
    EXPECT_EQ(client->value(clock), "8");
    m_Server->advanceClock(30000); // half an hour at 60 simulated seconds per second
    ASSERT_TRUE(waitFor([&] { return client->value(clock) == "8.3"; }));

    // Frozen, the model moves nothing but takes forced values.
    m_Server->setFrozen(true);
    ASSERT_TRUE(client->sync());
    client->takeAll();
    client->forgetValues();
    m_Server->advanceClock(600000);
    const int pressure = numberOf(1, "PG01.MV.GP1");
    EXPECT_TRUE(m_Server->forceValue("PG01.MV.GP1", 61.25));
    EXPECT_FALSE(m_Server->forceValue("NO.SUCH.SIGNAL", 1));
    ASSERT_TRUE(client->waitForValues(pressure, pressure));
    EXPECT_EQ(client->value(pressure), "61.25");
    ASSERT_TRUE(client->sync());
    EXPECT_EQ(client->takeAll().size(), 1u) << "the one changed value and nothing else";
}

TEST_F(LinkTest, WrittenValueIsAppliedAndComesBackOrTheOldValueComesBack) {
    const struct {
        const char* user;
        const char* password;
        const char* address;
        const char* text;
        bool accepted;
    } cases[] = {
        {"DEMO", "demo", "PG01.BV.GP1", "50.5", true}, {"DEMO", "demo", "PG01.BV.GP1", " 48 ", true},
        {"DEMO", "demo", "PG01.BV.GP1", "1e9", true}, // clamped to the setpoint's range
        {"DEMO", "demo", "PG01.BV.GP1", "abc", false}, {"DEMO", "demo", "PG01.BV.GP1", "", false},
        {"DEMO", "demo", "PG01.MV.GP1", "10", false}, // measured values are read only
        {"LAS", "las", "PG01.BV.GP1", "20", false},   // no right to write
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.address + " '" + c.text + "'");
        auto client = loggedInClient(c.user, c.password);
        ASSERT_TRUE(client->getPicture(4));
        const int number = numberOf(4, c.address);
        ASSERT_TRUE(client->waitForValues(0, dynamicCount(4) - 1));
        const double before = *m_Server->modelValue(c.address);
        client->forgetValues();
        client->send(CMD_WRITE_VALUE, Long2String(number) + c.text);
        ASSERT_TRUE(client->waitForValues(number, number));
        const double after = *m_Server->modelValue(c.address);
        EXPECT_EQ(*client->value(number), sim::FormatValue(after));
        const auto record = m_Server->lastWrite(c.address);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->accepted, c.accepted);
        EXPECT_EQ(record->text, c.text);
        EXPECT_EQ(after, c.accepted ? std::min(sim::ParseValueText(c.text).value(), 150.0) : before);
    }
}

TEST_F(LinkTest, WatchedSetpointParametersArriveAboveThePictureNumbersAndSteerThePlant) {
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(3));
    const int base = dynamicCount(3);
    const int supply = numberOf(3, "VS01.MV.GT11");
    client->send(CMD_WATCH_SETPOINT, "VS01.DAG.PAR1;VS01.DAG.PAR2;VS01.DAG.PAR3;VS01.DAG.PAR4");
    ASSERT_TRUE(client->waitForValues(0, base + 3));
    EXPECT_EQ(client->value(base + 1), "42");
    EXPECT_EQ(client->value(base + 2), "-0.9");
    EXPECT_EQ(client->value(base + 3), "0.004");
    const double outdoor = *m_Server->modelValue("UTE.MV.GT41");
    const auto curve = [&](double atZero) { return 0.004 * outdoor * outdoor - 0.9 * outdoor + atZero; };
    EXPECT_NEAR(std::stod(*client->value(base)), curve(42), 0.001);

    // The setpoint at 0 °C moves the computed setpoint and, within minutes, the supply temperature;
    // the computed setpoint cannot be written.
    const double supplyBefore = std::stod(*client->value(supply));
    client->send(CMD_WRITE_VALUE, Long2String(base + 1) + "52");
    client->send(CMD_WRITE_VALUE, Long2String(base) + "99");
    ASSERT_TRUE(client->sync());
    EXPECT_EQ(client->value(base + 1), "52");
    EXPECT_FALSE(m_Server->lastWrite("VS01.DAG.PAR1")->accepted);
    m_Server->advanceClock(1000);
    ASSERT_TRUE(client->sync());
    EXPECT_NEAR(std::stod(*client->value(base)), curve(52), 0.2);
    m_Server->advanceClock(5000);
    ASSERT_TRUE(waitFor([&] { return std::stod(*client->value(supply)) > supplyBefore + 8; }));

    client->send(CMD_UNWATCH_SETPOINT);
    ASSERT_TRUE(client->sync());
    client->forgetValues();
    m_Server->forceValue("VS01.DAG.PAR2", 45);
    ASSERT_TRUE(client->sync());
    EXPECT_FALSE(client->value(base + 1)) << "no parameters once unwatched";

    // Client tests check what was written, in order, including writes the plant did not take.
    client->send(CMD_WRITE_VALUE, Long2String(base + 1) + "46");
    client->send(CMD_GET_PICTURE, "0");
    client->send(CMD_WRITE_VALUE, Long2String(0) + "1,5");
    ASSERT_TRUE(client->sync());
    using Write = std::tuple<int32_t, std::string, std::string, bool>;
    std::vector<Write> writes;
    for (const sim::WriteRecord& w : m_Server->writes())
        writes.emplace_back(w.dynamicNumber, w.address, w.text, w.accepted);
    EXPECT_EQ(writes, (std::vector<Write>{{base + 1, "VS01.DAG.PAR2", "52", true},
                                          {base, "VS01.DAG.PAR1", "99", false},
                                          {base + 1, "", "46", false},
                                          {0, "", "1,5", false}}));
}

TEST_F(LinkTest, FunctionTextComesFromThePlantUnlessTheDataFolderHasOne) {
    auto client = loggedInClient();
    const auto functionText = [&](const char* picture) {
        client->send(CMD_GET_FUNCTION_TEXT, picture);
        const auto text = client->next(MSG_FUNCTION_TEXT);
        return text ? text->payload : "(no reply)";
    };
    EXPECT_EQ(functionText("3").rfind("VS01 V\xC4RMEKRETS RADIATORER\r\n", 0), 0u);
    QFile file(m_Data.filePath(QStringLiteral("functiontexts/3.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("Egen text för värmekretsen").toUtf8());
    file.close();
    EXPECT_EQ(functionText("3"), "Egen text f\xF6r v\xE4rmekretsen");
    EXPECT_EQ(functionText("77"), "");
}

TEST_F(LinkTest, UnknownPictureClearsAndPictureZeroStopsValues) {
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(1));
    client->send(CMD_GET_PICTURE, "999");
    EXPECT_TRUE(client->next(MSG_NO_PICTURE));
    ASSERT_TRUE(client->getPicture(1));
    client->send(CMD_GET_PICTURE, "0");
    ASSERT_TRUE(client->sync());
    client->forgetValues();
    m_Server->advanceClock(60000);
    ASSERT_TRUE(client->sync());
    EXPECT_FALSE(client->value(0));
    EXPECT_FALSE(client->next(MSG_NO_PICTURE, 0)) << "picture 0 is not answered";
}

TEST_F(LinkTest, SameSeedGivesTheSameRunAndAnotherSeedAnother) {
    auto runOutdoor = [this](unsigned seed) {
        startServer([seed](sim::ServerOptions& o) { o.seed = seed; });
        for (int i = 0; i < 10; ++i)
            m_Server->advanceClock(7000);
        return *m_Server->modelValue("UTE.MV.GT41");
    };
    const double first = runOutdoor(7);
    EXPECT_EQ(runOutdoor(7), first);
    EXPECT_NE(runOutdoor(8), first);
}

} // namespace
