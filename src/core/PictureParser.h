#pragma once

#include "core/Element.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace pelorin {

// The program-wide colour palette: picture headers fill entries 0..7, entry 8 stays 0.
using Palette = std::array<int32_t, 9>;

// Turns a picture's element data into elements, numbering the dynamic ones (values, groups and
// setpoint blocks) 0, 1, 2, ... in record order. The bytes come from the wire and are not trusted:
// see PictureParser.cpp for what happens to malformed data.
class PictureParser {
public:
    static constexpr int kBufferSize = 16385;

    // `palette` is read when colours are looked up; `linkCellWidth`/`linkCellHeight` are the
    // picture box's TextWidth("8") and TextHeight("8"), which size picture links.
    PictureParser(const Palette& palette, double linkCellWidth, double linkCellHeight);

    // The picture box's font and scale change between pictures; the next parse uses this cell.
    void SetLinkCell(double width, double height) {
        m_LinkCellWidth = width;
        m_LinkCellHeight = height;
    }

    // Parses `data` (at most kBufferSize bytes are taken) into `elements`, which is emptied first.
    // Returns the number of dynamic indexes handed out.
    int32_t ExtractAllElements(std::string_view data, ElementList& elements);

    // Fills `element`, whose type is set, from the body at `parameterPointer` (advanced past what
    // was read). `elementPointer` and `length` locate the record (only symbols use them). A type
    // outside 1..7 and 13 becomes 0, which tells the caller to drop the element.
    void ExtractElement(cElement& element, int32_t elementPointer, int32_t length, int32_t& parameterPointer);

    // Byte readers over the element data buffer, advancing `pointer`. A field that does not fit the
    // record being parsed reads as 0 or empty and moves `pointer` to the record's end, so that the
    // fields after it read as missing too instead of from the bytes of a cut field.
    int32_t ReadByte(int32_t& pointer);
    int32_t ReadShort(int32_t& pointer);
    std::string ReadShortString(int32_t& pointer);

    int32_t m_VGFileLen = 0;
    int32_t m_DynamicPointers = 0;

private:
    // The head of a record: its type, its length field and where its body starts and ends. A group
    // child's head carries the child's position first.
    struct RecordHead {
        int32_t position = 0;
        int32_t type = 0;
        int32_t length = 0;
        int32_t bodyStart = 0;
        int32_t end = 0;
    };
    enum class HeadKind { Record, GroupChild };

    std::optional<RecordHead> ReadHead(int32_t start, HeadKind kind);
    std::unique_ptr<cElement> ExtractTopLevelRecord(int32_t start, const RecordHead& head);
    void ExtractDynValue(cElement& element, int32_t& pointer);
    void ExtractDynGroup(cElement& element, int32_t end, int32_t& pointer);
    void ExtractSetpoint(cElement& element, int32_t& pointer);
    void ExtractSymbol(cElement& element, int32_t childrenEnd, int32_t& pointer);
    void ExtractPictureLink(cElement& element, int32_t& pointer);
    int32_t ReadColour(int32_t& pointer);
    bool Fits(int32_t pointer, int32_t count) const;
    bool ReadsFit(int32_t& pointer, int32_t count);

    // Confines the reads to one record (never beyond the enclosing one) while it is parsed.
    class ReadLimitScope {
    public:
        ReadLimitScope(PictureParser& parser, int32_t end);
        ~ReadLimitScope();
        ReadLimitScope(const ReadLimitScope&) = delete;
        ReadLimitScope& operator=(const ReadLimitScope&) = delete;

    private:
        PictureParser& m_Parser;
        int32_t m_OuterLimit;
    };

    const Palette& m_Palette;
    double m_LinkCellWidth;
    double m_LinkCellHeight;
    std::array<uint8_t, kBufferSize> m_VGFile{};
    int32_t m_ReadLimit = 0; // reads at or past this position belong to no record being parsed
};

} // namespace pelorin
