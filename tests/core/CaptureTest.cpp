#include "core/Capture.h"
#include "core/ClientProcs.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

constexpr auto kLink = CaptureConnection::PictureLink;
constexpr auto kTerminal = CaptureConnection::Terminal;
constexpr auto kToServer = CaptureDirection::ToServer;
constexpr auto kToClient = CaptureDirection::ToClient;

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

TEST(CaptureTest, WrittenRecordsReadBackAndLongArrivalsAreSplit) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.pcap"));
    const std::string big(kMaxCaptureRecord + 10, 'b');
    {
        CaptureWriter writer(path);
        ASSERT_TRUE(writer.isOpen()) << writer.errorString().toStdString();
        writer.RecordAt(0, kLink, kToServer, std::string("\x03\x00\x00\x00\x00", 5));
        writer.RecordAt(12, kLink, kToClient, "\xC5sa\r\n");
        writer.RecordAt(4000000000u, kTerminal, kToClient, big);
        writer.Record(kTerminal, kToServer, "");
    }
    const CaptureContents read = ReadCaptureFile(path);
    EXPECT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    ASSERT_EQ(read.records.size(), 5u);
    EXPECT_EQ(read.records[0], (CaptureRecord{0, kLink, kToServer, std::string("\x03\x00\x00\x00\x00", 5)}));
    EXPECT_EQ(read.records[1], (CaptureRecord{12, kLink, kToClient, "\xC5sa\r\n"}));
    EXPECT_EQ(read.records[2],
              (CaptureRecord{4000000000u, kTerminal, kToClient, big.substr(0, kMaxCaptureRecord)}));
    EXPECT_EQ(read.records[3], (CaptureRecord{4000000000u, kTerminal, kToClient, "bbbbbbbbbb"}));
    EXPECT_EQ(read.records[4].connection, kTerminal);
    EXPECT_EQ(read.records[4].bytes, "");
    EXPECT_LT(read.records[4].timeMs, 60000u) << "the writer's own clock starts at zero";

    // The layout is the documented one, byte for byte.
    EXPECT_EQ(ReadAll(path).substr(0, kCaptureHeaderSize + 15),
              std::string("PELORCAP\0\0\0\x01", 12) + std::string("\0\0\0\0\0\0\0\0\0\x05\x03\0\0\0\0", 15));
    EXPECT_FALSE(CaptureWriter(dir.filePath(QStringLiteral("no/such/folder/x"))).isOpen());
}

TEST(CaptureTest, DamagedFilesReportAnErrorAndKeepTheRecordsBeforeTheDamage) {
    const std::string header = EncodeCaptureHeader();
    const std::string good = EncodeCaptureRecord({5, kLink, kToClient, "abc"});
    const auto recordHead = [](uint8_t connection, uint8_t direction, uint32_t length) {
        return Long2String(7) + static_cast<char>(connection) + static_cast<char>(direction) +
               Long2String(static_cast<int32_t>(length));
    };
    const struct {
        const char* what;
        std::string data;
        size_t recordsKept;
        const char* error;
    } cases[] = {
        {"empty", "", 0, "not a capture file"},
        {"other magic", "PELORCAX" + header.substr(8), 0, "not a capture file"},
        {"version 2", header.substr(0, 8) + Long2String(2), 0, "capture version 2 is not supported (only 1)"},
        {"header only", header, 0, ""},
        {"head cut", header + good + good.substr(0, 6), 1, "record head cut short at byte 25"},
        {"bytes cut", header + good + good.substr(0, 12), 1, "record cut short at byte 25"},
        {"connection 2", header + recordHead(2, 0, 0), 0, "unknown connection or direction at byte 12"},
        {"direction 9", header + recordHead(0, 9, 0), 0, "unknown connection or direction at byte 12"},
        {"huge length", header + good + recordHead(0, 0, 0xFFFFFFF0u) + "x", 1,
         "record length 4294967280 above the limit at byte 25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CaptureContents read = ReadCapture(c.data);
        EXPECT_EQ(read.records.size(), c.recordsKept);
        EXPECT_EQ(read.error.toStdString(), c.error);
    }
}

TEST(CaptureTest, EveryCutOfACaptureReadsSafelyAndOnlyRecordBoundariesReadClean) {
    std::string data = EncodeCaptureHeader();
    std::vector<size_t> boundaries{data.size()};
    for (uint32_t i = 0; i < 6; ++i) {
        data += EncodeCaptureRecord({i * 100, i % 2 ? kTerminal : kLink, kToClient, std::string(i * 3, 'x')});
        boundaries.push_back(data.size());
    }
    for (size_t cut = 0; cut <= data.size(); ++cut) {
        const CaptureContents read = ReadCapture(std::string_view(data).substr(0, cut));
        const bool boundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
        EXPECT_EQ(read.error.isEmpty(), boundary) << "cut at " << cut;
    }
}

} // namespace
