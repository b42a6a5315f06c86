#include "core/PictureParser.h"
#include "core/ClientProcs.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

// Entries 0..7 are distinct and non-zero so that a wrong index shows; entry 8 stays 0.
constexpr Palette kPalette = {0x000011, 0x002200, 0x330000, 0x444444, 0x0000FF,
                              0x00FF00, 0xFF0000, 0x808080, 0};
constexpr double kCellWidth = 7.25;
constexpr double kCellHeight = 12.5;

struct Parsed {
    ElementList elements;
    int32_t dynamicPointers = 0;
};

Parsed Parse(std::string_view data) {
    PictureParser parser(kPalette, kCellWidth, kCellHeight);
    Parsed parsed;
    parsed.dynamicPointers = parser.ExtractAllElements(data, parsed.elements);
    EXPECT_EQ(parser.m_DynamicPointers, parsed.dynamicPointers);
    return parsed;
}

std::vector<int32_t> Types(const ElementList& elements) {
    std::vector<int32_t> types;
    for (const auto& element : elements)
        types.push_back(element->m_ElementType);
    return types;
}

std::array<int32_t, 4> Corners(const cElement& e) {
    return {e.m_X1, e.m_Y1, e.m_X2, e.m_Y2};
}

TEST(PictureParser, EveryRecordTypeRoundTripsThroughTheWriterAndOnlyTopLevelDynamicsAreNumbered) {
    EXPECT_TRUE(Parse("").elements.empty());
    PictureWriter symbolChildren, groupLine, groupText, picture;
    symbolChildren.line(1, 2, true, 1, 2, 3, 4);
    groupLine.line(2, 1, false, 5, 6, 7, 8);
    groupText.text(3, 4, 9, 10, "AV");
    picture.text(1, 2, -5, 470, "Tilluft \xE5\xE4\xF6")
        .symbol(8, symbolChildren)
        .line(3, 2, true, 10, 20, 30, 40)
        .dynValue(1, 4, 2, 300, 310, "GT11")
        .box(4, true, true, 3, 50, 60, -70, 80)
        .circle(5, 6, 2, 100, 110, 120, 130, -90, 270)
        .fill(6, 7, 200, 210)
        .pictureLink(7, 0, 11, 10, 42)
        .dynGroup(0xAB, 0xCD, 320, 330, 2, "P1", {{1, groupLine}, {5, groupText}})
        .setpoint("SP1", "Par 1", "Par 2", "Par 3", "")
        .empty()
        .symbol(7, symbolChildren);
    const Parsed parsed = Parse(picture.data());
    const auto& e = parsed.elements;
    ASSERT_EQ(Types(e), (std::vector<int32_t>{1, 2, 3, 8, 4, 5, 6, 7, 9, 200, 13, 2}));
    std::vector<int32_t> numbers;
    for (const auto& element : e)
        numbers.push_back(element->m_DynamicArrayPointer);
    EXPECT_EQ(numbers, (std::vector<int32_t>{-1, -1, -1, 0, -1, -1, -1, -1, 1, 2, -1, -1}));
    EXPECT_EQ(parsed.dynamicPointers, 3);

    EXPECT_EQ(std::tuple(e[0]->m_FCol, e[0]->m_BCol, e[0]->m_X1, e[0]->m_Y1, e[0]->m_Text),
              std::tuple(kPalette[1], kPalette[2], -5, 470, "Tilluft \xE5\xE4\xF6"));
    // A symbol's colour below 8 overrides its children's; 8 and above keeps theirs.
    EXPECT_EQ(e[1]->m_Option, 8);
    ASSERT_EQ(e[1]->m_SymbolElements.size(), 1u);
    const cElement& symbolLine = *e[1]->m_SymbolElements[0];
    EXPECT_EQ(std::tuple(symbolLine.m_FCol, symbolLine.m_Dashed, symbolLine.m_Y2),
              std::tuple(kPalette[1], 1, 4));
    ASSERT_EQ(e[11]->m_SymbolElements.size(), 1u);
    EXPECT_EQ(std::pair(e[11]->m_SymbolElements[0]->m_FCol, e[11]->m_SymbolElements[0]->m_BCol),
              std::pair(kPalette[7], kPalette[7]));
    EXPECT_EQ(std::tuple(e[2]->m_FCol, e[2]->m_Thickness, e[2]->m_Dashed), std::tuple(kPalette[3], 2, 1));
    EXPECT_EQ(Corners(*e[2]), (std::array{10, 20, 30, 40}));
    EXPECT_EQ(std::tuple(e[3]->m_FCol, e[3]->m_BCol, e[3]->m_Decimals, e[3]->m_Text, e[3]->m_Address,
                         e[3]->m_X1, e[3]->m_Y1),
              std::tuple(kPalette[1], kPalette[4], 2, "#.##", "GT11", 300, 310));
    EXPECT_EQ(std::tuple(e[4]->m_FCol, e[4]->m_Filled, e[4]->m_Rounded, e[4]->m_Thickness),
              std::tuple(kPalette[4], 1, 1, 3));
    EXPECT_EQ(Corners(*e[4]), (std::array{50, 60, -70, 80}));
    EXPECT_EQ(
        std::tuple(e[5]->m_FCol, e[5]->m_Option, e[5]->m_Thickness, e[5]->m_StartAngle, e[5]->m_EndAngle),
        std::tuple(kPalette[5], 6, 2, -90, 270));
    EXPECT_EQ(Corners(*e[5]), (std::array{100, 110, 120, 130}));
    EXPECT_EQ(std::tuple(e[6]->m_FCol, e[6]->m_BCol, e[6]->m_X1, e[6]->m_Y1),
              std::tuple(kPalette[6], kPalette[7], 200, 210));
    // A link is two digit cells wide and one high: 11 + 14.5 and 10 + 12.5 round half to even.
    EXPECT_EQ(std::tuple(e[7]->m_NewPicture, e[7]->m_Text), std::tuple(42, "Bi"));
    EXPECT_EQ(Corners(*e[7]), (std::array{11, 10, 26, 22}));
    EXPECT_EQ(std::tuple(e[8]->m_FCol, e[8]->m_BCol, e[8]->m_X1, e[8]->m_Y1,
                         e[8]->m_DefaultDynamicElementPosition, e[8]->m_Address),
              std::tuple(0xAB, 0xCD, 320, 330, 2, "P1"));
    const ElementList& children = e[8]->m_DynamicElements;
    ASSERT_EQ(Types(children), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(std::tuple(children[0]->m_DynamicElementRealPosition, children[0]->m_X2,
                         children[0]->m_DynamicArrayPointer),
              std::tuple(1, 7, -1));
    EXPECT_EQ(std::tuple(children[1]->m_DynamicElementRealPosition, children[1]->m_Text),
              std::tuple(5, "AV"));
    EXPECT_EQ(std::tuple(e[9]->m_Address, e[9]->m_PAR1_Description, e[9]->m_PAR3_Description,
                         e[9]->m_PAR4_Description),
              std::tuple("SP1", "Par 1", "Par 3", ""));
}

TEST(PictureParser, ChildrenOfDynamicOrUnknownTypeAreDropped) {
    PictureWriter nested, symbolChildren, dynChild, lineChild, unknownChild, picture;
    nested.line(0, 1, false, 0, 0, 0, 0);
    symbolChildren.dynValue(0, 0, 0, 0, 0, "A")
        .raw(9, "")
        .text(0, 0, 0, 0, "kept")
        .raw(10, "")
        .raw(12, "xyz")
        .raw(0, "")
        .raw(200, "")
        .symbol(8, nested)
        .empty();
    dynChild.dynValue(0, 0, 0, 0, 0, "A");
    lineChild.line(0, 1, false, 0, 0, 0, 0);
    unknownChild.raw(77, "??");
    picture.symbol(8, symbolChildren)
        .dynGroup(0, 0, 0, 0, 0, "G", {{0, dynChild}, {1, lineChild}, {2, unknownChild}});
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(parsed.elements.size(), 2u);
    EXPECT_EQ(Types(parsed.elements[0]->m_SymbolElements), (std::vector<int32_t>{1, 2, 13}));
    EXPECT_EQ(Types(parsed.elements[0]->m_SymbolElements[1]->m_SymbolElements), (std::vector<int32_t>{3}));
    EXPECT_EQ(Types(parsed.elements[1]->m_DynamicElements), (std::vector<int32_t>{3}));
    EXPECT_EQ(parsed.elements[1]->m_DynamicElements[0]->m_DynamicElementRealPosition, 1);
    EXPECT_EQ(parsed.dynamicPointers, 1);
}

TEST(PictureParser, UnknownTopLevelCodesKeepOnlyTheirTypeAndZeroIsDropped) {
    const std::vector<uint8_t> unknown = {10, 11, 12, 14, 199, 201, 255};
    PictureWriter picture;
    picture.raw(0, "ignored");
    for (uint8_t code : unknown)
        picture.raw(code, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    const Parsed parsed = Parse(picture.raw(0, "").data());
    ASSERT_EQ(Types(parsed.elements), std::vector<int32_t>(unknown.begin(), unknown.end()));
    for (const auto& e : parsed.elements)
        EXPECT_EQ(std::tuple(e->m_FCol, e->m_X1, e->m_DynamicArrayPointer), std::tuple(0, 0, -1));
}

// A record longer than its fields needs decides where the next starts; shorts are signed (0xFFFE is -2);
// palette index 8 is black and one past the palette reads as 0.
TEST(PictureParser, FieldsDecodeSignedShortsPaletteEdgesAndRecordLengths) {
    PictureWriter picture;
    picture.raw(ET_LINE, std::string("\x01\x00\x00\x00\x01\x00\x02\x00\x03\x00\x04", 11) + "trailing bytes")
        .raw(ET_TEXT, std::string("\x08\x09\xFF\xFE\x80\x00\x00", 7))
        .dynValue(200, 8, 0, 32767, 0, "")
        .text(2, 2, 5, 6, "next");
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(Types(parsed.elements), (std::vector<int32_t>{3, 1, 8, 1}));
    const auto& e = parsed.elements;
    EXPECT_EQ(Corners(*e[0]), (std::array{1, 2, 3, 4}));
    EXPECT_EQ(std::tuple(e[1]->m_X1, e[1]->m_Y1, e[1]->m_Text, e[1]->m_FCol, e[1]->m_BCol),
              std::tuple(-2, -32768, "", 0, 0));
    EXPECT_EQ(std::tuple(e[2]->m_FCol, e[2]->m_X1, e[2]->m_Address, e[2]->m_Text),
              std::tuple(0, 32767, "", "#"));
    EXPECT_EQ(e[3]->m_Text, "next");
}

// An inconsistent record keeps what fits in it and parsing goes on at the next record by its
// length; only a record head or length that runs past the data (or back) ends the picture.
TEST(PictureParser, InconsistentRecordsCostOnlyThemselvesAndALengthPastTheDataStops) {
    PictureWriter good, shortChildren;
    good.text(1, 1, 0, 0, "a").dynValue(0, 0, 0, 0, 0, "V");
    shortChildren.raw(ET_LINE, "\x01");
    const std::vector<int32_t> stopped = {1, 8};
    const struct {
        std::string bad;
        std::vector<int32_t> types;
        std::vector<int32_t> children; // of the inconsistent symbol or group
        int32_t dynamicPointers;
        const char* why;
    } cases[] = {
        {std::string("\x03\x00\x20", 3) + "short", stopped, {}, 1, "record runs past the data"},
        {std::string("\x01\xFF\xFF", 3), stopped, {}, 1, "negative length"},
        {std::string("\x0D\x80\x00", 3), stopped, {}, 1, "most negative length"},
        {std::string("\x01", 1), stopped, {}, 1, "stray byte misaligns the next head"},
        {std::string("\x01\x00\x03\x01\x02\x00", 6), {1, 8, 1, 1}, {}, 1, "text fields run past the record"},
        {std::string("\x08\x00\x08\x00\x00\x00\x00\x00\x00\x00\x05", 11),
         {1, 8, 8, 1},
         {},
         2,
         "string runs past the record"},
        {PictureWriter().symbol(8, shortChildren).data(),
         {1, 8, 2, 1},
         {3},
         1,
         "symbol child fields run short"},
        {std::string("\x02\x00\x04\x08\x01\x00\x09", 7),
         {1, 8, 2, 1},
         {1},
         1,
         "symbol child runs past the symbol"},
        {std::string("\x02\x00\x04\x08\x01\xFF\xFF", 7),
         {1, 8, 2, 1},
         {},
         1,
         "symbol child with negative length"},
        {std::string("\x09\x00\x0B\x00\x00\x00\x00\x00\x00\x00\x00\x01\x03\x00", 14),
         {1, 8, 9, 1},
         {},
         2,
         "group child head cut short"},
        {std::string("\x09\x00\x0C\x00\x00\x00\x00\x00\x00\x00\x00\x01\x03\x00\x09", 15),
         {1, 8, 9, 1},
         {3},
         2,
         "group child runs past the group"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = Parse(good.data() + c.bad + PictureWriter().text(0, 0, 0, 0, "after").data());
        EXPECT_EQ(Types(parsed.elements), c.types) << c.why;
        EXPECT_EQ(parsed.dynamicPointers, c.dynamicPointers) << c.why;
        if (c.types != stopped) {
            EXPECT_EQ(parsed.elements.back()->m_Text, "after") << c.why;
            const cElement& inconsistent = *parsed.elements[2];
            EXPECT_EQ(Types(inconsistent.m_ElementType == ET_DYNGROUP ? inconsistent.m_DynamicElements
                                                                      : inconsistent.m_SymbolElements),
                      c.children)
                << c.why;
        }
    }
}

// A field is read whole or not at all: once one runs past its record, it and every later field
// read as 0 or empty, so a cut string never lends its bytes to the fields after it.
TEST(PictureParser, FieldsPastTheirRecordReadAsZeroOrEmpty) {
    PictureWriter lineChild, picture;
    lineChild.raw(ET_LINE, "\x01\x02\x03\x00");
    picture.raw(ET_TEXT, std::string("\x01\x02\x00\x07\x00", 5))
        .raw(ET_SETPOINT, std::string("\x02SP\x04\x01x", 6))
        .symbol(8, lineChild)
        .raw(ET_CIRCLE, std::string("\x03\x00\x01\x00\x02", 5));
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(Types(parsed.elements), (std::vector<int32_t>{1, 200, 2, 5}));
    const auto& e = parsed.elements;
    EXPECT_EQ(std::tuple(e[0]->m_FCol, e[0]->m_BCol, e[0]->m_X1, e[0]->m_Y1, e[0]->m_Text),
              std::tuple(kPalette[1], kPalette[2], 7, 0, ""));
    EXPECT_EQ(std::tuple(e[1]->m_Address, e[1]->m_PAR1_Description, e[1]->m_PAR2_Description,
                         e[1]->m_DynamicArrayPointer),
              std::tuple("SP", "", "", 0));
    ASSERT_EQ(e[2]->m_SymbolElements.size(), 1u);
    const cElement& line = *e[2]->m_SymbolElements[0];
    EXPECT_EQ(std::tuple(line.m_FCol, line.m_Thickness, line.m_Dashed, line.m_X1),
              std::tuple(kPalette[1], 2, 3, 0));
    EXPECT_EQ(std::tuple(e[3]->m_FCol, e[3]->m_Option, e[3]->m_Thickness, e[3]->m_X1, e[3]->m_Y1),
              std::tuple(kPalette[3], 0, 1, 2, 0));
}

// `levels` symbols, one inside the other, around a line.
std::string NestedSymbols(int levels) {
    PictureWriter writer;
    writer.line(0, 1, false, 0, 0, 0, 0);
    for (int level = 0; level < levels; ++level) {
        PictureWriter outer;
        writer = outer.symbol(8, writer);
    }
    return writer.data();
}

int SymbolDepth(const ElementList& elements) {
    int depth = 0;
    for (const ElementList* level = &elements; !level->empty(); level = &level->front()->m_SymbolElements)
        ++depth;
    return depth;
}

TEST(PictureParser, SymbolsNestAsDeepAsTheBufferHolds) {
    // A level costs its record head and colour byte; the line inside takes 14 bytes.
    const int levels = (PictureParser::kBufferSize - 14) / 4;
    const std::string deepest = NestedSymbols(levels);
    ASSERT_LE(deepest.size(), static_cast<size_t>(PictureParser::kBufferSize));
    EXPECT_EQ(SymbolDepth(Parse(deepest).elements), levels + 1);
    EXPECT_EQ(SymbolDepth(Parse(NestedSymbols(40)).elements), 41);
}

TEST(PictureParser, ExtractElementReadsSymbolChildrenAfterAMalformedPicture) {
    PictureWriter children, picture;
    children.line(1, 1, false, 0, 0, 0, 0).text(2, 2, 0, 0, "c");
    const std::string symbol = picture.symbol(3, children).data();
    PictureParser parser(kPalette, kCellWidth, kCellHeight);
    ElementList elements;
    parser.ExtractAllElements(symbol + std::string("\x01\xFF\xFF", 3), elements);
    cElement element;
    element.m_ElementType = ET_SYMBOL;
    int32_t pointer = 3;
    parser.ExtractElement(element, 0, String2Short(symbol, 1), pointer);
    EXPECT_EQ(Types(element.m_SymbolElements), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(element.m_SymbolElements.at(1)->m_FCol, kPalette[3]);
    EXPECT_EQ(pointer, static_cast<int32_t>(symbol.size()));
}

TEST(PictureParser, OnlyTheBufferSizeIsTaken) {
    const int fillers = (PictureParser::kBufferSize - 5) / 3;
    const auto filled = [&](std::string_view lastBody) {
        PictureWriter picture;
        for (int i = 0; i < fillers; ++i)
            picture.empty();
        return picture.raw(ET_EMPTY, lastBody).data();
    };
    const std::string full = filled("ab");
    ASSERT_EQ(full.size(), static_cast<size_t>(PictureParser::kBufferSize));
    const std::string beyond = PictureWriter().text(0, 0, 0, 0, "beyond the buffer").data();
    EXPECT_EQ(Parse(full + beyond).elements.size(), static_cast<size_t>(fillers + 1));
    EXPECT_EQ(Parse(filled("abc")).elements.size(), static_cast<size_t>(fillers))
        << "the record crossing the end";
}

TEST(PictureWriter, RefusesWhatTheFormatCannotHold) {
    PictureWriter writer, two;
    EXPECT_NO_THROW(writer.text(0, 0, 0, 0, std::string(255, 'x')));
    EXPECT_THROW(writer.text(0, 0, 0, 0, std::string(256, 'x')), PictureEncodeError);
    EXPECT_THROW(writer.setpoint("A", "", "", "", std::string(300, 'p')), PictureEncodeError);
    EXPECT_NO_THROW(writer.raw(50, std::string(32767, 'b')));
    EXPECT_THROW(writer.raw(50, std::string(32768, 'b')), PictureEncodeError);
    EXPECT_THROW(writer.dynGroup(0, 0, 0, 0, 0, "G", {{0, two.empty().empty()}}), PictureEncodeError);
    EXPECT_THROW(writer.dynGroup(0, 0, 0, 0, 0, "G", {{0, PictureWriter()}}), PictureEncodeError);
    // The header's fields are read back in PictureModelTest.
    const std::string elements(kMaxElementData, '\x0D');
    EXPECT_EQ(EncodePictureMessage({}, elements).substr(kPictureHeaderSize), elements);
    EXPECT_THROW(EncodePictureMessage({}, elements + 'x'), PictureEncodeError);
}

TEST(Element, HitTestBoundsAreInclusive) {
    cElement fresh, box, group;
    EXPECT_TRUE(fresh.HitTest(-1, -1));
    EXPECT_FALSE(fresh.HitTest(0, 0));
    box.m_ScanBox_X1 = 10;
    box.m_ScanBox_Y1 = 20;
    box.m_ScanBox_X2 = 30;
    box.m_ScanBox_Y2 = 40;
    const struct {
        int32_t x, y;
        bool hit;
    } cases[] = {{10, 20, true},  {30, 40, true}, {30, 20, true},  {20, 30, true},   {31, 20, false},
                 {10, 41, false}, {9, 20, false}, {10, 19, false}, {-10, -20, false}};
    for (const auto& c : cases)
        EXPECT_EQ(box.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    group.m_ScanBox_X1 = 100;
    group.m_ScanBox_Y1 = 100;
    for (int32_t x : {0, 100, 5000})
        EXPECT_FALSE(group.HitTest(x, 100));
}

} // namespace
} // namespace pelorin
