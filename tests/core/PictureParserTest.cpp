#include "picture/PictureParser.h"
#include "link/ClientProcs.h"
#include "link/Protocol.h"
#include "picture/PictureWriter.h"

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

TEST(PictureParser, EmptyDataGivesNoElements) {
    const Parsed parsed = Parse("");
    EXPECT_TRUE(parsed.elements.empty());
    EXPECT_EQ(parsed.dynamicPointers, 0);
}

TEST(PictureParser, EveryRecordTypeRoundTripsThroughTheWriter) {
    PictureWriter symbolChildren;
    symbolChildren.line(1, 2, true, 1, 2, 3, 4);
    PictureWriter groupLine;
    groupLine.line(2, 1, false, 5, 6, 7, 8);
    PictureWriter groupText;
    groupText.text(3, 4, 9, 10, "AV");
    PictureWriter picture;
    picture.text(1, 2, -5, 470, "Tilluft \xE5\xE4\xF6")
        .symbol(9, symbolChildren)
        .line(3, 2, true, 10, 20, 30, 40)
        .box(4, true, true, 3, 50, 60, -70, 80)
        .circle(5, 6, 2, 100, 110, 120, 130, -90, 270)
        .fill(6, 7, 200, 210)
        .pictureLink(7, 0, 10, 11, 42)
        .dynValue(1, 4, 2, 300, 310, "GT11")
        .dynGroup(0xAB, 0xCD, 320, 330, 2, "P1", {{1, groupLine}, {5, groupText}})
        .setpoint("SP1", "Par 1", "Par 2", "Par 3", "")
        .empty();
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(Types(parsed.elements), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 200, 13}));
    const auto& e = parsed.elements;

    EXPECT_EQ(e[0]->m_FCol, kPalette[1]);
    EXPECT_EQ(e[0]->m_BCol, kPalette[2]);
    EXPECT_EQ(e[0]->m_X1, -5);
    EXPECT_EQ(e[0]->m_Y1, 470);
    EXPECT_EQ(e[0]->m_Text, "Tilluft \xE5\xE4\xF6");

    EXPECT_EQ(e[1]->m_Option, 9);
    ASSERT_EQ(e[1]->m_SymbolElements.size(), 1u);
    const cElement& symbolLine = *e[1]->m_SymbolElements[0];
    EXPECT_EQ(symbolLine.m_FCol, kPalette[1]);
    EXPECT_EQ(symbolLine.m_Dashed, 1);
    EXPECT_EQ(symbolLine.m_Y2, 4);

    EXPECT_EQ(e[2]->m_FCol, kPalette[3]);
    EXPECT_EQ(e[2]->m_Thickness, 2);
    EXPECT_EQ(e[2]->m_Dashed, 1);
    EXPECT_EQ((std::array{e[2]->m_X1, e[2]->m_Y1, e[2]->m_X2, e[2]->m_Y2}), (std::array{10, 20, 30, 40}));

    EXPECT_EQ(e[3]->m_FCol, kPalette[4]);
    EXPECT_EQ((std::array{e[3]->m_Filled, e[3]->m_Rounded, e[3]->m_Thickness}), (std::array{1, 1, 3}));
    EXPECT_EQ((std::array{e[3]->m_X1, e[3]->m_Y1, e[3]->m_X2, e[3]->m_Y2}), (std::array{50, 60, -70, 80}));

    EXPECT_EQ(e[4]->m_FCol, kPalette[5]);
    EXPECT_EQ((std::array{e[4]->m_Option, e[4]->m_Thickness}), (std::array{6, 2}));
    EXPECT_EQ((std::array{e[4]->m_X1, e[4]->m_Y1, e[4]->m_X2, e[4]->m_Y2}), (std::array{100, 110, 120, 130}));
    EXPECT_EQ((std::array{e[4]->m_StartAngle, e[4]->m_EndAngle}), (std::array{-90, 270}));

    EXPECT_EQ((std::array{e[5]->m_FCol, e[5]->m_BCol}), (std::array{kPalette[6], kPalette[7]}));
    EXPECT_EQ((std::array{e[5]->m_X1, e[5]->m_Y1}), (std::array{200, 210}));

    EXPECT_EQ(e[6]->m_NewPicture, 42);
    EXPECT_EQ(e[6]->m_Text, "Bi");

    EXPECT_EQ((std::array{e[7]->m_FCol, e[7]->m_BCol}), (std::array{kPalette[1], kPalette[4]}));
    EXPECT_EQ(e[7]->m_Decimals, 2);
    EXPECT_EQ(e[7]->m_Text, "#.##");
    EXPECT_EQ(e[7]->m_Address, "GT11");
    EXPECT_EQ((std::array{e[7]->m_X1, e[7]->m_Y1}), (std::array{300, 310}));

    EXPECT_EQ((std::array{e[8]->m_FCol, e[8]->m_BCol}), (std::array{0xAB, 0xCD}));
    EXPECT_EQ((std::array{e[8]->m_X1, e[8]->m_Y1}), (std::array{320, 330}));
    EXPECT_EQ(e[8]->m_DefaultDynamicElementPosition, 2);
    EXPECT_EQ(e[8]->m_Address, "P1");
    ASSERT_EQ(Types(e[8]->m_DynamicElements), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(e[8]->m_DynamicElements[0]->m_DynamicElementRealPosition, 1);
    EXPECT_EQ(e[8]->m_DynamicElements[0]->m_X2, 7);
    EXPECT_EQ(e[8]->m_DynamicElements[1]->m_DynamicElementRealPosition, 5);
    EXPECT_EQ(e[8]->m_DynamicElements[1]->m_Text, "AV");

    EXPECT_EQ(e[9]->m_Address, "SP1");
    EXPECT_EQ(e[9]->m_PAR1_Description, "Par 1");
    EXPECT_EQ(e[9]->m_PAR3_Description, "Par 3");
    EXPECT_EQ(e[9]->m_PAR4_Description, "");

    EXPECT_EQ(
        (std::vector{e[7]->m_DynamicArrayPointer, e[8]->m_DynamicArrayPointer, e[9]->m_DynamicArrayPointer}),
        (std::vector{0, 1, 2}));
    EXPECT_EQ(parsed.dynamicPointers, 3);
}

TEST(PictureParser, DynamicIndexesCountOnlyTopLevelValuesGroupsAndSetpoints) {
    PictureWriter inner;
    inner.line(0, 1, false, 0, 0, 1, 1);
    PictureWriter picture;
    picture.dynValue(0, 0, 0, 0, 0, "A")
        .text(0, 0, 0, 0, "t")
        .setpoint("S", "", "", "", "")
        .dynGroup(0, 0, 0, 0, 0, "G", {{0, inner}});
    const Parsed parsed = Parse(picture.data());
    std::vector<int32_t> indexes;
    for (const auto& element : parsed.elements)
        indexes.push_back(element->m_DynamicArrayPointer);
    EXPECT_EQ(indexes, (std::vector<int32_t>{0, -1, 1, 2}));
    EXPECT_EQ(parsed.elements[3]->m_DynamicElements[0]->m_DynamicArrayPointer, -1);
    EXPECT_EQ(parsed.dynamicPointers, 3);
}

TEST(PictureParser, SymbolColourOverridesItsChildrenBelowIndexEight) {
    struct Case {
        uint8_t option;
        int32_t expectedFCol;
        int32_t expectedBCol;
    };
    const Case cases[] = {
        {3, kPalette[3], kPalette[3]}, {0, kPalette[0], kPalette[0]},   {7, kPalette[7], kPalette[7]},
        {8, kPalette[1], kPalette[2]}, {255, kPalette[1], kPalette[2]},
    };
    for (const Case& c : cases) {
        PictureWriter children;
        children.text(1, 2, 0, 0, "x");
        PictureWriter picture;
        picture.symbol(c.option, children);
        const Parsed parsed = Parse(picture.data());
        ASSERT_EQ(parsed.elements.size(), 1u);
        ASSERT_EQ(parsed.elements[0]->m_SymbolElements.size(), 1u);
        const cElement& child = *parsed.elements[0]->m_SymbolElements[0];
        EXPECT_EQ(child.m_FCol, c.expectedFCol) << int(c.option);
        EXPECT_EQ(child.m_BCol, c.expectedBCol) << int(c.option);
    }
}

TEST(PictureParser, ChildrenOfDynamicOrUnknownTypeAreDropped) {
    PictureWriter nested;
    nested.line(0, 1, false, 0, 0, 0, 0);
    PictureWriter symbolChildren;
    symbolChildren.dynValue(0, 0, 0, 0, 0, "A")
        .raw(9, "")
        .text(0, 0, 0, 0, "kept")
        .raw(10, "")
        .raw(12, "xyz")
        .raw(0, "")
        .raw(200, "")
        .symbol(8, nested)
        .empty();
    PictureWriter dynChild;
    dynChild.dynValue(0, 0, 0, 0, 0, "A");
    PictureWriter lineChild;
    lineChild.line(0, 1, false, 0, 0, 0, 0);
    PictureWriter unknownChild;
    unknownChild.raw(77, "??");
    PictureWriter picture;
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
    picture.raw(0, "");
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(Types(parsed.elements), std::vector<int32_t>(unknown.begin(), unknown.end()));
    for (const auto& element : parsed.elements) {
        EXPECT_EQ(element->m_FCol, 0);
        EXPECT_EQ(element->m_X1, 0);
        EXPECT_EQ(element->m_DynamicArrayPointer, -1);
    }
}

TEST(PictureParser, RecordLengthDecidesWhereTheNextRecordStarts) {
    std::string line = std::string("\x01\x00\x00\x00\x01\x00\x02\x00\x03\x00\x04", 11);
    PictureWriter picture;
    picture.raw(ET_LINE, line + "trailing bytes").text(2, 2, 5, 6, "next");
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(Types(parsed.elements), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(parsed.elements[0]->m_Y2, 4);
    EXPECT_EQ(parsed.elements[1]->m_Text, "next");
}

TEST(PictureParser, FieldsDecodeSignedShortsEmptyStringsAndPaletteEdges) {
    PictureWriter picture;
    picture.raw(ET_TEXT, std::string("\x08\x09\xFF\xFE\x80\x00\x00", 7)).dynValue(200, 8, 0, 32767, 0, "");
    const Parsed parsed = Parse(picture.data());
    ASSERT_EQ(parsed.elements.size(), 2u);
    const cElement& text = *parsed.elements[0];
    EXPECT_EQ(text.m_X1, -2);
    EXPECT_EQ(text.m_Y1, -32768);
    EXPECT_EQ(text.m_Text, "");
    EXPECT_EQ(text.m_FCol, 0) << "palette entry 8 is black";
    EXPECT_EQ(text.m_BCol, 0) << "an index past the palette reads as 0";
    const cElement& value = *parsed.elements[1];
    EXPECT_EQ(value.m_FCol, 0);
    EXPECT_EQ(value.m_X1, 32767);
    EXPECT_EQ(value.m_Address, "");
}

TEST(PictureParser, ValueFormatHasOneHashPerDecimal) {
    for (uint8_t decimals : {0, 1, 3, 255}) {
        PictureWriter picture;
        picture.dynValue(0, 0, decimals, 0, 0, "A");
        const std::string expected = decimals == 0 ? "#" : "#." + std::string(decimals, '#');
        EXPECT_EQ(Parse(picture.data()).elements.at(0)->m_Text, expected);
    }
}

TEST(PictureParser, PictureLinkSizeRoundsHalfToEven) {
    struct Case {
        int16_t x, y;
        int32_t x2, y2;
    };
    // 2 * 7.25 = 14.5 and 12.5: the ties go to the even neighbour.
    const Case cases[] = {{10, 10, 24, 22}, {11, 11, 26, 24}, {-20, -13, -6, 0}};
    for (const Case& c : cases) {
        PictureWriter picture;
        picture.pictureLink(0, 0, c.x, c.y, 5);
        const Parsed parsed = Parse(picture.data());
        const cElement& link = *parsed.elements.at(0);
        EXPECT_EQ(link.m_X2, c.x2) << c.x;
        EXPECT_EQ(link.m_Y2, c.y2) << c.y;
    }
}

TEST(PictureParser, MalformedRecordStopsParsingAndKeepsWhatCameBefore) {
    PictureWriter good;
    good.text(1, 1, 0, 0, "a").dynValue(0, 0, 0, 0, 0, "V");
    PictureWriter shortChildren;
    shortChildren.raw(ET_LINE, "\x01");
    struct Case {
        std::string bad;
        const char* why;
    };
    const Case cases[] = {
        {std::string("\x03\x00\x20", 3) + "short", "record runs past the data"},
        {std::string("\x01\xFF\xFF", 3), "negative length"},
        {std::string("\x0D\x80\x00", 3), "most negative length"},
        {std::string("\x01", 1), "stray byte misaligns the next head"},
        {std::string("\x01\x00\x03\x01\x02\x00", 6), "text fields run past the record"},
        {std::string("\x08\x00\x08\x00\x00\x00\x00\x00\x00\x00\x05"
                     "AB",
                     13),
         "string runs past the record"},
        {PictureWriter().symbol(8, shortChildren).data(), "symbol child fields run short"},
        {std::string("\x02\x00\x04\x08\x01\x00\x09", 7), "symbol child runs past the symbol"},
        {std::string("\x02\x00\x04\x08\x01\xFF\xFF", 7), "symbol child with negative length"},
        {std::string("\x09\x00\x0B\x00\x00\x00\x00\x00\x00\x00\x00\x01\x03\x00", 14),
         "group child head cut short"},
    };
    for (const Case& c : cases) {
        const std::string data = good.data() + c.bad + PictureWriter().text(0, 0, 0, 0, "after").data();
        const Parsed parsed = Parse(data);
        EXPECT_EQ(Types(parsed.elements), (std::vector<int32_t>{1, 8})) << c.why;
        EXPECT_EQ(parsed.dynamicPointers, 1) << c.why;
    }
}

PictureWriter NestedSymbols(int levels) {
    PictureWriter innermost;
    innermost.line(0, 1, false, 0, 0, 0, 0);
    PictureWriter writer;
    writer.symbol(8, innermost);
    for (int level = 1; level < levels; ++level) {
        PictureWriter outer;
        outer.symbol(8, writer);
        writer = outer;
    }
    return writer;
}

int Depth(const cElement& element) {
    int depth = 1;
    for (const auto& child : element.m_SymbolElements)
        depth = std::max(depth, 1 + Depth(*child));
    return depth;
}

TEST(PictureParser, NestingIsBoundedSoDeepSymbolsAreMalformed) {
    const Parsed deepest = Parse(NestedSymbols(PictureParser::kMaxNesting - 1).data());
    ASSERT_EQ(deepest.elements.size(), 1u);
    EXPECT_EQ(Depth(*deepest.elements[0]), PictureParser::kMaxNesting);

    PictureWriter picture;
    picture.empty();
    const Parsed tooDeep = Parse(picture.data() + NestedSymbols(PictureParser::kMaxNesting).data());
    EXPECT_EQ(Types(tooDeep.elements), (std::vector<int32_t>{13}));
}

// `fillers` empty records, then one of type 13 carrying `lastBody`.
std::string FilledPicture(int fillers, std::string_view lastBody) {
    PictureWriter picture;
    for (int i = 0; i < fillers; ++i)
        picture.empty();
    return picture.raw(ET_EMPTY, lastBody).data();
}

TEST(PictureParser, OnlyTheBufferSizeIsTaken) {
    const int fillers = (PictureParser::kBufferSize - 5) / 3;
    const std::string full = FilledPicture(fillers, "ab");
    ASSERT_EQ(full.size(), static_cast<size_t>(PictureParser::kBufferSize));
    const std::string beyond = PictureWriter().text(0, 0, 0, 0, "beyond the buffer").data();
    EXPECT_EQ(Parse(full + beyond).elements.size(), static_cast<size_t>(fillers + 1));

    const std::string crossing = FilledPicture(fillers, "abc");
    EXPECT_EQ(Parse(crossing).elements.size(), static_cast<size_t>(fillers)) << "the record crossing the end";
}

TEST(PictureWriter, RefusesWhatTheFormatCannotHold) {
    PictureWriter writer;
    EXPECT_NO_THROW(writer.text(0, 0, 0, 0, std::string(255, 'x')));
    EXPECT_THROW(writer.text(0, 0, 0, 0, std::string(256, 'x')), PictureEncodeError);
    EXPECT_THROW(writer.setpoint("A", "", "", "", std::string(300, 'p')), PictureEncodeError);
    EXPECT_NO_THROW(writer.raw(50, std::string(32767, 'b')));
    EXPECT_THROW(writer.raw(50, std::string(32768, 'b')), PictureEncodeError);
    PictureWriter two;
    two.empty().empty();
    EXPECT_THROW(writer.dynGroup(0, 0, 0, 0, 0, "G", {{0, two}}), PictureEncodeError);
    EXPECT_THROW(writer.dynGroup(0, 0, 0, 0, 0, "G", {{0, PictureWriter()}}), PictureEncodeError);
}

TEST(PictureWriter, PictureMessageCarriesHeaderAndElementData) {
    PictureHeader header;
    header.number = 17;
    header.functionText = true;
    header.background = -2147483643;
    for (int i = 0; i < 8; ++i)
        header.palette[static_cast<size_t>(i)] = 0x10101 * i;
    const std::string elements(kMaxElementData, '\x0D');
    const std::string message = EncodePictureMessage(header, elements);
    ASSERT_EQ(message.size(), static_cast<size_t>(kPictureHeaderSize + kMaxElementData));
    EXPECT_EQ(String2Long(message, 0), 17);
    EXPECT_EQ(String2Long(message, 4), 1);
    EXPECT_EQ(String2Long(message, 8), -2147483643);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(String2Long(message, 12 + 4 * i), 0x10101 * i);
    EXPECT_EQ(message.substr(kPictureHeaderSize), elements);
    EXPECT_THROW(EncodePictureMessage(header, elements + 'x'), PictureEncodeError);
}

TEST(Element, HitTestBoundsAreInclusive) {
    cElement fresh;
    EXPECT_TRUE(fresh.HitTest(-1, -1));
    EXPECT_FALSE(fresh.HitTest(0, 0));

    cElement box;
    box.m_ScanBox_X1 = 10;
    box.m_ScanBox_Y1 = 20;
    box.m_ScanBox_X2 = 30;
    box.m_ScanBox_Y2 = 40;
    struct Case {
        int32_t x, y;
        bool hit;
    };
    const Case cases[] = {{10, 20, true},  {30, 40, true}, {30, 20, true},  {20, 30, true},   {31, 20, false},
                          {10, 41, false}, {9, 20, false}, {10, 19, false}, {-10, -20, false}};
    for (const Case& c : cases)
        EXPECT_EQ(box.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;

    cElement group;
    group.m_ScanBox_X1 = 100;
    group.m_ScanBox_Y1 = 100;
    for (int32_t x : {0, 100, 5000})
        EXPECT_FALSE(group.HitTest(x, 100));
}

} // namespace
} // namespace pelorin
