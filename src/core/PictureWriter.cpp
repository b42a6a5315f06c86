#include "core/PictureWriter.h"

#include "core/ClientProcs.h"
#include "core/PictureFormat.h"
#include "core/Protocol.h"

namespace pelorin {

namespace {

constexpr size_t kMaxShortString = 255;
constexpr size_t kMaxRecordBody = 32767;

// One record body under construction, in the format's field encodings.
class Body {
public:
    Body& byte(uint8_t value) {
        m_Bytes.push_back(static_cast<char>(value));
        return *this;
    }
    Body& shortField(int16_t value) {
        const auto bits = static_cast<uint16_t>(value);
        return byte(static_cast<uint8_t>(bits >> 8)).byte(static_cast<uint8_t>(bits));
    }
    Body& shortString(std::string_view text) {
        if (text.size() > kMaxShortString)
            throw PictureEncodeError("text longer than 255 bytes: " + std::string(text.substr(0, 32)) +
                                     "...");
        byte(static_cast<uint8_t>(text.size()));
        m_Bytes.append(text);
        return *this;
    }
    Body& bytes(std::string_view raw) {
        m_Bytes.append(raw);
        return *this;
    }
    const std::string& str() const { return m_Bytes; }

private:
    std::string m_Bytes;
};

// True when `data` is exactly one record: head plus the body its length field announces.
bool IsSingleRecord(const std::string& data) {
    const auto head = static_cast<size_t>(kRecordHeadSize);
    return data.size() >= head && data.size() == head + static_cast<size_t>(String2Short(data, 1));
}

} // namespace

PictureWriter& PictureWriter::raw(uint8_t type, std::string_view body) {
    if (body.size() > kMaxRecordBody)
        throw PictureEncodeError("record body of " + std::to_string(body.size()) + " bytes exceeds 32767");
    m_Data += static_cast<char>(type);
    m_Data += Body().shortField(static_cast<int16_t>(body.size())).str();
    m_Data += body;
    return *this;
}

PictureWriter& PictureWriter::text(uint8_t fg, uint8_t bg, int16_t x, int16_t y, std::string_view text) {
    return raw(1, Body().byte(fg).byte(bg).shortField(x).shortField(y).shortString(text).str());
}

PictureWriter& PictureWriter::symbol(uint8_t colourOverride, const PictureWriter& children) {
    return raw(2, Body().byte(colourOverride).bytes(children.data()).str());
}

PictureWriter& PictureWriter::line(uint8_t fg, uint8_t thickness, bool dashed, int16_t x1, int16_t y1,
                                   int16_t x2, int16_t y2) {
    return raw(3, Body()
                      .byte(fg)
                      .byte(thickness)
                      .byte(dashed ? 1 : 0)
                      .shortField(x1)
                      .shortField(y1)
                      .shortField(x2)
                      .shortField(y2)
                      .str());
}

PictureWriter& PictureWriter::box(uint8_t fg, bool filled, bool rounded, uint8_t thickness, int16_t x1,
                                  int16_t y1, int16_t x2, int16_t y2) {
    return raw(4, Body()
                      .byte(fg)
                      .byte(filled ? 1 : 0)
                      .byte(rounded ? 1 : 0)
                      .byte(thickness)
                      .shortField(x1)
                      .shortField(y1)
                      .shortField(x2)
                      .shortField(y2)
                      .str());
}

PictureWriter& PictureWriter::circle(uint8_t fg, uint8_t fillIndex, uint8_t thickness, int16_t x1, int16_t y1,
                                     int16_t x2, int16_t y2, int16_t startAngle, int16_t endAngle) {
    return raw(5, Body()
                      .byte(fg)
                      .byte(fillIndex)
                      .byte(thickness)
                      .shortField(x1)
                      .shortField(y1)
                      .shortField(x2)
                      .shortField(y2)
                      .shortField(startAngle)
                      .shortField(endAngle)
                      .str());
}

PictureWriter& PictureWriter::fill(uint8_t fg, uint8_t border, int16_t x, int16_t y) {
    return raw(6, Body().byte(fg).byte(border).shortField(x).shortField(y).str());
}

PictureWriter& PictureWriter::pictureLink(uint8_t fg, uint8_t bg, int16_t x, int16_t y, int16_t target) {
    return raw(7, Body().byte(fg).byte(bg).shortField(x).shortField(y).shortField(target).str());
}

PictureWriter& PictureWriter::dynValue(uint8_t fg, uint8_t bg, uint8_t decimals, int16_t x, int16_t y,
                                       std::string_view address) {
    return raw(
        8, Body().byte(fg).byte(bg).byte(decimals).shortField(x).shortField(y).shortString(address).str());
}

PictureWriter& PictureWriter::dynGroup(uint8_t fg, uint8_t bg, int16_t x, int16_t y, uint8_t defaultPosition,
                                       std::string_view address,
                                       const std::vector<PictureGroupChild>& children) {
    Body body;
    body.byte(fg).byte(bg).shortField(x).shortField(y).byte(defaultPosition).shortString(address);
    for (const PictureGroupChild& child : children) {
        if (!IsSingleRecord(child.record.data()))
            throw PictureEncodeError("a group child must hold exactly one record");
        body.byte(child.position).bytes(child.record.data());
    }
    return raw(9, body.str());
}

PictureWriter& PictureWriter::setpoint(std::string_view address, std::string_view par1, std::string_view par2,
                                       std::string_view par3, std::string_view par4) {
    return raw(200, Body()
                        .shortString(address)
                        .shortString(par1)
                        .shortString(par2)
                        .shortString(par3)
                        .shortString(par4)
                        .str());
}

PictureWriter& PictureWriter::empty() {
    return raw(13, {});
}

std::string EncodePictureMessage(const PictureHeader& header, std::string_view elementData) {
    if (elementData.size() > static_cast<size_t>(kMaxElementData))
        throw PictureEncodeError("element data of " + std::to_string(elementData.size()) +
                                 " bytes exceeds a picture's " + std::to_string(kMaxElementData));
    std::string message;
    message.reserve(kPictureHeaderSize + elementData.size());
    message += Long2String(header.number);
    message += Long2String(header.functionText ? 1 : 0);
    message += Long2String(header.background);
    for (int32_t colour : header.palette)
        message += Long2String(colour);
    message += Long2String(0);
    message += elementData;
    return message;
}

} // namespace pelorin
