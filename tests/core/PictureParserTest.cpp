#include "core/PictureParser.h"
#include "core/ClientProcs.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace pelorin {
namespace {

using namespace std::string_literals;

// Entries 0..7 are distinct and non-zero so that a wrong index shows; entry 8 stays 0.
constexpr Palette kPalette = {0x000011, 0x002200, 0x330000, 0x444444, 0x0000FF,
                              0x00FF00, 0xFF0000, 0x808080, 0};

using Number = int32_t cElement::*;
using Text = std::string cElement::*;
constexpr std::pair<const char*, Number> kNumberFields[] = {
    {"x1", &cElement::m_X1},          {"y1", &cElement::m_Y1},         {"x2", &cElement::m_X2},
    {"y2", &cElement::m_Y2},          {"opt", &cElement::m_Option},    {"thick", &cElement::m_Thickness},
    {"dash", &cElement::m_Dashed},    {"fill", &cElement::m_Filled},   {"round", &cElement::m_Rounded},
    {"dec", &cElement::m_Decimals},   {"a1", &cElement::m_StartAngle}, {"a2", &cElement::m_EndAngle},
    {"pic", &cElement::m_NewPicture},
};
constexpr std::pair<const char*, Number> kGroupFields[] = {
    {"pos", &cElement::m_DefaultDynamicElementPosition}, {"at", &cElement::m_DynamicElementRealPosition}};
constexpr std::pair<const char*, Text> kTextFields[] = {
    {"t", &cElement::m_Text},
    {"adr", &cElement::m_Address},
    {"p1", &cElement::m_PAR1_Description},
    {"p2", &cElement::m_PAR2_Description},
    {"p3", &cElement::m_PAR3_Description},
    {"p4", &cElement::m_PAR4_Description},
};

// Every field that differs from a fresh element's, colours as palette entries ("p3") or raw hex,
// children in braces: one line says all the parser made of a record.
std::string Dump(const cElement& e) {
    std::ostringstream out;
    out << e.m_ElementType;
    if (e.m_DynamicArrayPointer != -1)
        out << " #" << e.m_DynamicArrayPointer;
    for (const auto& [name, colour] : {std::pair("F", e.m_FCol), {"B", e.m_BCol}}) {
        const auto entry = std::find(kPalette.begin(), kPalette.end(), colour);
        if (colour != 0 && entry != kPalette.end())
            out << ' ' << name << "=p" << entry - kPalette.begin();
        else if (colour != 0)
            out << ' ' << name << "=#" << std::hex << colour << std::dec;
    }
    const auto numbers = [&](const auto& fields) {
        for (const auto& [name, field] : fields)
            if (e.*field != 0)
                out << ' ' << name << '=' << e.*field;
    };
    numbers(kNumberFields);
    numbers(kGroupFields);
    for (const auto& [name, field] : kTextFields)
        if (!(e.*field).empty())
            out << ' ' << name << "='" << e.*field << "'";
    for (const ElementList* children : {&e.m_SymbolElements, &e.m_DynamicElements})
        for (const auto& child : *children)
            out << (&child == &children->front() ? " {" : "; ") << Dump(*child)
                << (&child == &children->back() ? "}" : "");
    return out.str();
}

// Dynamic numbers show in the dumps; the fuzz tests check that the count returned matches them.
std::vector<std::string> Parse(std::string_view data) {
    PictureParser parser(kPalette, 7.25, 12.5);
    ElementList elements;
    parser.ExtractAllElements(data, elements);
    std::vector<std::string> dumps;
    for (const auto& element : elements)
        dumps.push_back(Dump(*element));
    return dumps;
}

// Dynamic and unknown children are dropped; a symbol's colour below 8 overrides its children's.
TEST(PictureParser, EveryRecordTypeRoundTripsThroughTheWriterAndOnlyTopLevelDynamicsAreNumbered) {
    PictureWriter nested, symbolChildren, groupLine, groupText, dynChild, unknownChild, picture;
    nested.line(0, 1, false, 0, 0, 0, 0);
    symbolChildren.line(1, 2, true, 1, 2, 3, 4)
        .dynValue(0, 0, 0, 0, 0, "A")
        .raw(9, "")
        .raw(12, "xyz")
        .raw(0, "")
        .symbol(8, nested)
        .empty();
    groupLine.line(2, 1, false, 5, 6, 7, 8);
    groupText.text(3, 4, 9, 10, "AV");
    dynChild.dynValue(0, 0, 0, 0, 0, "A");
    unknownChild.raw(77, "??");
    picture.text(1, 2, -5, 470, "Tilluft \xE5\xE4\xF6")
        .symbol(8, symbolChildren)
        .line(3, 2, true, 10, 20, 30, 40)
        .dynValue(1, 4, 2, 300, 310, "GT11")
        .box(4, true, true, 3, 50, 60, -70, 80)
        .circle(5, 6, 2, 100, 110, 120, 130, -90, 270)
        .fill(6, 7, 200, 210)
        .pictureLink(7, 0, 11, 10, 42)
        .raw(0, "dropped")
        .dynGroup(0xAB, 0xCD, 320, 330, 2, "P1",
                  {{0, dynChild}, {1, groupLine}, {2, unknownChild}, {5, groupText}})
        .setpoint("SP1", "Par 1", "Par 2", "Par 3", "")
        .empty()
        .raw(77, "\x01\x02\x03\x04\x05\x06\x07\x08")
        .symbol(7, symbolChildren);
    // A link is two digit cells wide and one high: 11 + 14.5 and 10 + 12.5 round half to even.
    const std::vector<std::string> expected = {
        "1 F=p1 B=p2 x1=-5 y1=470 t='Tilluft \xE5\xE4\xF6'",
        "2 opt=8 {3 F=p1 x1=1 y1=2 x2=3 y2=4 thick=2 dash=1; 2 opt=8 {3 F=p0 thick=1}; 13}",
        "3 F=p3 x1=10 y1=20 x2=30 y2=40 thick=2 dash=1",
        "8 #0 F=p1 B=p4 x1=300 y1=310 dec=2 t='#.##' adr='GT11'",
        "4 F=p4 x1=50 y1=60 x2=-70 y2=80 thick=3 fill=1 round=1",
        "5 F=p5 x1=100 y1=110 x2=120 y2=130 opt=6 thick=2 a1=-90 a2=270",
        "6 F=p6 B=p7 x1=200 y1=210",
        "7 F=p7 B=p0 x1=11 y1=10 x2=26 y2=22 pic=42 t='Bi'",
        "9 #1 F=#ab B=#cd x1=320 y1=330 pos=2 adr='P1' {3 F=p2 x1=5 y1=6 x2=7 y2=8 thick=1 at=1; 1 F=p3 B=p4 "
        "x1=9 y1=10 at=5 t='AV'}",
        "200 #2 adr='SP1' p1='Par 1' p2='Par 2' p3='Par 3'",
        "13",
        "77",
        "2 opt=7 {3 F=p7 B=p7 x1=1 y1=2 x2=3 y2=4 thick=2 dash=1; 2 F=p7 B=p7 opt=8 {3 F=p0 thick=1}; "
        "13 F=p7 B=p7}"};
    EXPECT_EQ(Parse(picture.data()), expected);
}

// A field is read whole or not at all: once one runs past its record, it and every later field read
// as 0 or empty, and parsing goes on at the next record by its length. Only a record head or length
// that runs past the data (or back) ends the picture. Palette index 8 and past it read as 0.
TEST(PictureParser, RecordsDecodeWithinTheirLengthAndInconsistentOnesCostOnlyThemselves) {
    PictureWriter good, shortChildren;
    good.text(1, 1, 0, 0, "a").dynValue(0, 0, 0, 0, 0, "V");
    shortChildren.raw(ET_LINE, "\x01");
    const auto record = [](uint8_t type, const std::string& body) {
        return PictureWriter().raw(type, body).data();
    };
    const std::string after = PictureWriter().text(0, 0, 0, 0, "after").data();
    const struct {
        std::string record;
        const char* kept; // nullptr: the picture ends before the record
        const char* why;
    } cases[] = {
        {record(ET_LINE, "\x01\x00\x00\x00\x01\x00\x02\x00\x03\x00\x04"s + "trailing bytes"),
         "3 F=p1 x1=1 y1=2 x2=3 y2=4", "record longer than its fields"},
        {record(ET_TEXT, "\x08\x09\xFF\xFE\x80\x00\x00"s), "1 x1=-2 y1=-32768", "signed shorts"},
        {PictureWriter().dynValue(200, 8, 0, 32767, 0, "").data(), "8 #1 x1=32767 t='#'", "largest short"},
        {record(ET_SETPOINT, "\x02SP\x04\x01x"s), "200 #1 adr='SP'", "a cut string lends no bytes onwards"},
        {"\x03\x00\x20short"s, nullptr, "record runs past the data"},
        {"\x01\xFF\xFF"s, nullptr, "negative length"},
        {"\x0D\x80\x00"s, nullptr, "most negative length"},
        {"\x01"s, nullptr, "stray byte misaligns the next head"},
        {"\x01\x00\x03\x01\x02\x00"s, "1 F=p1 B=p2", "text fields run past the record"},
        {"\x08\x00\x08\x00\x00\x00\x00\x00\x00\x00\x05"s, "8 #1 F=p0 B=p0 t='#'",
         "string runs past the record"},
        {PictureWriter().symbol(8, shortChildren).data(), "2 opt=8 {3 F=p1}",
         "symbol child fields run short"},
        {"\x02\x00\x04\x08\x01\x00\x09"s, "2 opt=8 {1 F=p0 B=p0}", "symbol child runs past the symbol"},
        {"\x02\x00\x04\x08\x01\xFF\xFF"s, "2 opt=8", "symbol child with negative length"},
        {"\x09\x00\x0B\x00\x00\x00\x00\x00\x00\x00\x00\x01\x03\x00"s, "9 #1", "group child head cut short"},
        {"\x09\x00\x0C\x00\x00\x00\x00\x00\x00\x00\x00\x01\x03\x00\x09"s, "9 #1 {3 F=p0 at=1}",
         "group child runs past the group"}};
    for (const auto& c : cases) {
        std::vector<std::string> expected = {"1 F=p1 B=p1 t='a'", "8 #0 F=p0 B=p0 t='#' adr='V'"};
        if (c.kept)
            expected.insert(expected.end(), {c.kept, "1 F=p0 B=p0 t='after'"});
        EXPECT_EQ(Parse(good.data() + c.record + after), expected) << c.why;
    }
}

// Bytes past the buffer belong to no picture, and a record crossing its end ends the picture.
TEST(PictureParser, OnlyTheBufferIsTaken) {
    const int fillers = (PictureParser::kBufferSize - 5) / 3;
    const auto filled = [&](std::string_view lastBody) {
        PictureWriter picture;
        for (int i = 0; i < fillers; ++i)
            picture.empty();
        return picture.raw(ET_EMPTY, lastBody).data();
    };
    ASSERT_EQ(filled("ab").size(), static_cast<size_t>(PictureParser::kBufferSize));
    const std::string beyond = PictureWriter().text(0, 0, 0, 0, "beyond the buffer").data();
    EXPECT_EQ(Parse(filled("ab") + beyond).size(), static_cast<size_t>(fillers + 1));
    EXPECT_EQ(Parse(filled("abc")).size(), static_cast<size_t>(fillers)) << "the record crossing the end";
}

TEST(PictureParser, ExtractElementReadsSymbolChildrenAfterAMalformedPicture) {
    PictureWriter children, picture;
    children.line(1, 1, false, 0, 0, 0, 0).text(2, 2, 0, 0, "c");
    const std::string symbol = picture.symbol(3, children).data();
    PictureParser parser(kPalette, 7, 13);
    ElementList elements;
    parser.ExtractAllElements(symbol + "\x01\xFF\xFF"s, elements);
    cElement element;
    element.m_ElementType = ET_SYMBOL;
    int32_t pointer = 3;
    parser.ExtractElement(element, 0, String2Short(symbol, 1), pointer);
    EXPECT_EQ(Dump(element), "2 opt=3 {3 F=p3 B=p3 thick=1; 1 F=p3 B=p3 t='c'}");
    EXPECT_EQ(pointer, static_cast<int32_t>(symbol.size()));
}

// Texts and element data too long are refused through the simulator's picture files.
TEST(PictureWriter, RefusesRecordsTheFormatCannotHold) {
    PictureWriter writer, two;
    EXPECT_NO_THROW(writer.text(0, 0, 0, 0, std::string(255, 'x')).raw(50, std::string(32767, 'b')));
    EXPECT_THROW(writer.raw(50, std::string(32768, 'b')), PictureEncodeError);
    EXPECT_THROW(writer.setpoint("A", "", "", "", std::string(256, 'p')), PictureEncodeError);
    EXPECT_THROW(writer.dynGroup(0, 0, 0, 0, 0, "G", {{0, two.empty().empty()}}), PictureEncodeError);
}

TEST(Element, HitTestBoundsAreInclusive) {
    cElement box;
    box.m_ScanBox_X1 = 10;
    box.m_ScanBox_Y1 = 20;
    box.m_ScanBox_X2 = 30;
    box.m_ScanBox_Y2 = 40;
    for (const auto& [x, y, hit] : {std::tuple(10, 20, true),
                                    {30, 40, true},
                                    {31, 20, false},
                                    {10, 41, false},
                                    {9, 20, false},
                                    {10, 19, false}})
        EXPECT_EQ(box.HitTest(x, y), hit) << x << "," << y;
}

} // namespace
} // namespace pelorin
