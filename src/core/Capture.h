#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Capture files: what crossed the picture link and the terminal, with timing, so that a session
// can be replayed to a client later.
//
// Layout (all integers big-endian):
//   header, 12 bytes:  magic "PELORCAP" (8 ASCII bytes), version (uint32, 1)
//   then records, each 10 bytes of head and the bytes:
//     time        uint32  milliseconds since the capture started
//     connection  uint8   0 = picture link, 1 = terminal
//     direction   uint8   0 = client to server, 1 = server to client
//     length      uint32  number of bytes that follow, at most kMaxCaptureRecord
//     bytes       as they crossed the socket (picture link bytes are frames, cut anywhere)
// A file ends after its last complete record; a record cut short means the capture was cut short.
namespace pelorin {

enum class CaptureConnection : uint8_t { PictureLink = 0, Terminal = 1 };
enum class CaptureDirection : uint8_t { ToServer = 0, ToClient = 1 };

inline constexpr char kCaptureMagic[] = "PELORCAP";
inline constexpr uint32_t kCaptureVersion = 1;
inline constexpr size_t kCaptureHeaderSize = 12;
inline constexpr size_t kCaptureRecordHeadSize = 10;
// The writer splits longer arrivals over several records; the reader takes a longer one for corruption.
inline constexpr uint32_t kMaxCaptureRecord = 1u << 20;

struct CaptureRecord {
    uint32_t timeMs = 0;
    CaptureConnection connection = CaptureConnection::PictureLink;
    CaptureDirection direction = CaptureDirection::ToServer;
    std::string bytes;

    bool operator==(const CaptureRecord&) const = default;
};

// The header, and one record as stored (longer byte runs are split by the writer, not here).
std::string EncodeCaptureHeader();
std::string EncodeCaptureRecord(const CaptureRecord& record);

struct CaptureContents {
    std::vector<CaptureRecord> records;
    // Empty when the whole file was read. Otherwise what was wrong; `records` holds the complete
    // records before the fault.
    QString error;
};

// Reads a capture; never reads outside `data` and never trusts a length.
CaptureContents ReadCapture(std::string_view data);
CaptureContents ReadCaptureFile(const QString& path);

// Writes a capture file as a session goes on. Times count from the writer's creation. Each record
// is flushed at once, so that a capture cut short by a crash keeps everything before it.
class CaptureWriter {
public:
    explicit CaptureWriter(const QString& path);

    // False when the file could not be created or a write failed; errorString() tells why.
    bool isOpen() const { return m_Ok; }
    QString errorString() const { return m_File.errorString(); }

    void Record(CaptureConnection connection, CaptureDirection direction, std::string_view bytes);
    // The same with a given time, for tools that build captures.
    void RecordAt(uint32_t timeMs, CaptureConnection connection, CaptureDirection direction,
                  std::string_view bytes);

private:
    QFile m_File;
    QElapsedTimer m_Clock;
    bool m_Ok = false;
};

} // namespace pelorin
