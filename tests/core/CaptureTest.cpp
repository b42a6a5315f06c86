// The link watch: captured sessions on file and one trace line per frame.

#include "core/Capture.h"
#include "core/ClientProcs.h"
#include "core/FrameTrace.h"
#include "core/Protocol.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pelorin;
using namespace std::string_literals;

namespace {

constexpr auto kLink = CaptureConnection::PictureLink;
constexpr auto kTerminal = CaptureConnection::Terminal;
constexpr auto kToServer = CaptureDirection::ToServer;
constexpr auto kToClient = CaptureDirection::ToClient;
constexpr auto kSent = FrameDirection::ToServer;
constexpr auto kReceived = FrameDirection::ToClient;

TEST(Capture, RecordsAreWrittenInTheDocumentedLayoutAndLongArrivalsAreSplit) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.pcap"));
    const std::string big(kMaxCaptureRecord + 10, 'b');
    {
        CaptureWriter writer(path);
        writer.RecordAt(0, kLink, kToServer, "\x03\x00\x00\x00\x00"s);
        writer.RecordAt(4000000000u, kTerminal, kToClient, big);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(kCaptureHeaderSize + 15).toStdString(),
              "PELORCAP\0\0\0\x01"s + "\0\0\0\0\0\0\0\0\0\x05\x03\0\0\0\0"s);
    const CaptureContents read = ReadCaptureFile(path);
    EXPECT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    const std::vector<CaptureRecord> expected = {
        {0, kLink, kToServer, "\x03\x00\x00\x00\x00"s},
        {4000000000u, kTerminal, kToClient, big.substr(0, kMaxCaptureRecord)},
        {4000000000u, kTerminal, kToClient, "bbbbbbbbbb"}};
    EXPECT_TRUE(read.records == expected);
    EXPECT_FALSE(CaptureWriter(dir.filePath(QStringLiteral("no/such/folder/x"))).isOpen());
}

// A damaged file keeps the records before the damage; of every cut only record boundaries read clean.
TEST(Capture, DamagedOrCutFilesReportAnErrorAndKeepTheRecordsBeforeTheDamage) {
    const std::string header = EncodeCaptureHeader();
    const std::string good = EncodeCaptureRecord({5, kLink, kToClient, "abc"});
    const struct {
        std::string data;
        size_t recordsKept;
        const char* error;
    } cases[] = {{"", 0, "not a capture file"},
                 {header.substr(0, 8) + Long2String(2), 0, "capture version 2 is not supported (only 1)"},
                 {header + good + good.substr(0, 6), 1, "record head cut short at byte 25"},
                 {header + good + good.substr(0, 12), 1, "record cut short at byte 25"},
                 {header + Long2String(7) + "\x02\x00"s + Long2String(0), 0,
                  "unknown connection or direction at byte 12"},
                 {header + Long2String(7) + "\x00\x09"s + Long2String(0), 0,
                  "unknown connection or direction at byte 12"},
                 {header + good + Long2String(7) + "\0\0"s + Long2String(-16) + "x", 1,
                  "record length 4294967280 above the limit at byte 25"}};
    for (const auto& c : cases) {
        const CaptureContents read = ReadCapture(c.data);
        EXPECT_EQ(read.records.size(), c.recordsKept) << c.error;
        EXPECT_EQ(read.error.toStdString(), c.error);
    }

    std::string data = header;
    std::vector<size_t> boundaries{data.size()};
    for (uint32_t i = 0; i < 6; ++i) {
        data += EncodeCaptureRecord({i * 100, i % 2 ? kTerminal : kLink, kToClient, std::string(i * 3, 'x')});
        boundaries.push_back(data.size());
    }
    for (size_t cut = 0; cut <= data.size(); ++cut) {
        const bool boundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
        EXPECT_EQ(ReadCapture(std::string_view(data).substr(0, cut)).error.isEmpty(), boundary)
            << "cut at " << cut;
    }
}

// Of a login only the visa shows, and without its end mark nothing: it may be all password.
TEST(FrameTrace, EachFrameIsOneLineWithItsNameAndTheFieldsThatMatterAndNeverThePassword) {
    const struct {
        FrameDirection direction;
        uint8_t code;
        std::string payload;
        std::string line;
    } cases[] = {
        {kSent, CMD_LOGIN, ScrambleLogin("\xC5SA\xFFl\xF6senord", 0x5A),
         "-> CMD_LOGIN(3) 13 bytes: visa \"\xC3\x85SA\", password ****"},
        {kSent, CMD_LOGIN, ScrambleLogin("hemlig", 0x5A),
         "-> CMD_LOGIN(3) 7 bytes: visa unreadable, password ****"},
        {kSent, CMD_WRITE_VALUE, "\x01", "-> CMD_WRITE_VALUE(8) 1 bytes: short payload \"\\x01\""},
        {kSent, CMD_SAVE_PICTURE_LOG, Long2String(3) + "Bytt filter\r\n",
         "-> CMD_SAVE_PICTURE_LOG(13) 17 bytes: picture 3, text \"Bytt filter\\x0d\\x0a\""},
        {kSent, 99, "?", "-> unknown(99) 1 bytes: bytes \"?\""},
        {kReceived, MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(20000) + "\xC5sa",
         "<- MSG_LOGIN_REPLY(3) 15 bytes: level 31, terminal port 2002, history 20000, name \"\xC3\x85sa\""},
        {kReceived, MSG_GLOBAL_LOG, std::string(70, 'x'),
         "<- MSG_GLOBAL_LOG(12) 70 bytes: text \"" + std::string(60, 'x') + "...\""}};
    for (const auto& c : cases)
        EXPECT_EQ(DescribeFrame(c.direction, c.code, c.payload).toStdString(), c.line);
}

} // namespace
