#include "core/Capture.h"

#include "core/ClientProcs.h"

#include <algorithm>

namespace pelorin {

namespace {

constexpr size_t kMagicSize = sizeof(kCaptureMagic) - 1;

uint32_t ReadUint32(std::string_view data, size_t offset) {
    return static_cast<uint32_t>(String2Long(data, static_cast<int64_t>(offset)));
}

std::string Uint32Field(uint32_t value) {
    return Long2String(static_cast<int32_t>(value));
}

QString ReadHeader(std::string_view data) {
    if (data.size() < kCaptureHeaderSize || data.substr(0, kMagicSize) != kCaptureMagic)
        return QStringLiteral("not a capture file");
    const uint32_t version = ReadUint32(data, kMagicSize);
    if (version != kCaptureVersion)
        return QStringLiteral("capture version %1 is not supported (only %2)")
            .arg(version)
            .arg(kCaptureVersion);
    return {};
}

} // namespace

std::string EncodeCaptureHeader() {
    return std::string(kCaptureMagic, kMagicSize) + Uint32Field(kCaptureVersion);
}

std::string EncodeCaptureRecord(const CaptureRecord& record) {
    std::string encoded = Uint32Field(record.timeMs);
    encoded += static_cast<char>(record.connection);
    encoded += static_cast<char>(record.direction);
    encoded += Uint32Field(static_cast<uint32_t>(record.bytes.size()));
    encoded += record.bytes;
    return encoded;
}

CaptureContents ReadCapture(std::string_view data) {
    CaptureContents contents;
    contents.error = ReadHeader(data);
    if (!contents.error.isEmpty())
        return contents;
    size_t offset = kCaptureHeaderSize;
    while (offset < data.size()) {
        const auto fail = [&](const QString& what) {
            contents.error = QStringLiteral("%1 at byte %2").arg(what).arg(offset);
            return contents;
        };
        if (data.size() - offset < kCaptureRecordHeadSize)
            return fail(QStringLiteral("record head cut short"));
        CaptureRecord record;
        record.timeMs = ReadUint32(data, offset);
        const auto connection = static_cast<uint8_t>(data[offset + 4]);
        const auto direction = static_cast<uint8_t>(data[offset + 5]);
        const uint32_t length = ReadUint32(data, offset + 6);
        if (connection > 1 || direction > 1)
            return fail(QStringLiteral("unknown connection or direction"));
        if (length > kMaxCaptureRecord)
            return fail(QStringLiteral("record length %1 above the limit").arg(length));
        if (data.size() - offset - kCaptureRecordHeadSize < length)
            return fail(QStringLiteral("record cut short"));
        record.connection = static_cast<CaptureConnection>(connection);
        record.direction = static_cast<CaptureDirection>(direction);
        record.bytes = data.substr(offset + kCaptureRecordHeadSize, length);
        contents.records.push_back(std::move(record));
        offset += kCaptureRecordHeadSize + length;
    }
    return contents;
}

CaptureContents ReadCaptureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("%1: %2").arg(path, file.errorString())};
    const QByteArray data = file.readAll();
    return ReadCapture(std::string_view(data.constData(), static_cast<size_t>(data.size())));
}

CaptureWriter::CaptureWriter(const QString& path) : m_File(path) {
    m_Clock.start();
    const std::string header = EncodeCaptureHeader();
    m_Ok = m_File.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           m_File.write(header.data(), static_cast<qint64>(header.size())) ==
               static_cast<qint64>(header.size()) &&
           m_File.flush();
}

void CaptureWriter::Record(CaptureConnection connection, CaptureDirection direction, std::string_view bytes) {
    // Saturates after 49 days rather than wrapping to the start.
    const auto elapsed = std::min<qint64>(m_Clock.elapsed(), UINT32_MAX);
    RecordAt(static_cast<uint32_t>(elapsed), connection, direction, bytes);
}

void CaptureWriter::RecordAt(uint32_t timeMs, CaptureConnection connection, CaptureDirection direction,
                             std::string_view bytes) {
    if (!m_Ok)
        return;
    do {
        const std::string_view piece = bytes.substr(0, kMaxCaptureRecord);
        bytes.remove_prefix(piece.size());
        const std::string encoded = EncodeCaptureRecord({timeMs, connection, direction, std::string(piece)});
        m_Ok = m_File.write(encoded.data(), static_cast<qint64>(encoded.size())) ==
                   static_cast<qint64>(encoded.size()) &&
               m_File.flush();
    } while (m_Ok && !bytes.empty());
}

} // namespace pelorin
