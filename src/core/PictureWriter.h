#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

// Raised when a picture cannot be encoded: a text longer than a short string holds, element data
// beyond the format's limit, a record body longer than its length field holds.
class PictureEncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Encodes element records of the binary picture format. Each call appends one record; colours are
// palette indexes. Used by the simulator to serve pictures and by tests to build them.
struct PictureGroupChild;

class PictureWriter {
public:
    PictureWriter& text(uint8_t fg, uint8_t bg, int16_t x, int16_t y, std::string_view text);
    PictureWriter& symbol(uint8_t colourOverride, const PictureWriter& children);
    PictureWriter& line(uint8_t fg, uint8_t thickness, bool dashed, int16_t x1, int16_t y1, int16_t x2,
                        int16_t y2);
    PictureWriter& box(uint8_t fg, bool filled, bool rounded, uint8_t thickness, int16_t x1, int16_t y1,
                       int16_t x2, int16_t y2);
    // `fillIndex` below 8 fills the figure with that palette entry; 8 or more draws the outline only.
    PictureWriter& circle(uint8_t fg, uint8_t fillIndex, uint8_t thickness, int16_t x1, int16_t y1,
                          int16_t x2, int16_t y2, int16_t startAngle, int16_t endAngle);
    PictureWriter& fill(uint8_t fg, uint8_t border, int16_t x, int16_t y);
    PictureWriter& pictureLink(uint8_t fg, uint8_t bg, int16_t x, int16_t y, int16_t target);
    PictureWriter& dynValue(uint8_t fg, uint8_t bg, uint8_t decimals, int16_t x, int16_t y,
                            std::string_view address);
    // Group colours are raw bytes, not palette indexes.
    PictureWriter& dynGroup(uint8_t fg, uint8_t bg, int16_t x, int16_t y, uint8_t defaultPosition,
                            std::string_view address, const std::vector<PictureGroupChild>& children);
    PictureWriter& setpoint(std::string_view address, std::string_view par1, std::string_view par2,
                            std::string_view par3, std::string_view par4);
    PictureWriter& empty();
    // Any record as given, for unknown types and malformed data in tests.
    PictureWriter& raw(uint8_t type, std::string_view body);

    // The element data written so far.
    const std::string& data() const { return m_Data; }
    size_t size() const { return m_Data.size(); }

private:
    std::string m_Data;
};

// A group child is one record (a writer holding exactly one) shown at `position`.
struct PictureGroupChild {
    uint8_t position;
    PictureWriter record;
};

struct PictureHeader {
    int32_t number = 0;
    bool functionText = false;
    int32_t background = 0;
    std::array<int32_t, 8> palette{};
};

// The MSG_PICTURE payload: header, 4 unread bytes, element data. Throws PictureEncodeError when
// the element data is longer than a picture may carry.
std::string EncodePictureMessage(const PictureHeader& header, std::string_view elementData);

} // namespace pelorin
